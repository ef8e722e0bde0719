#pragma once

#include <QComboBox>

class HostServices;

// The run window's choice of how fast the program runs: at full speed or at
// about the pace of a handheld class (see handheldspeed.h for how the rates
// were derived). The choice is remembered.
class HandheldSpeedBox : public QComboBox
{
    Q_OBJECT

public:
    explicit HandheldSpeedBox(HostServices &host, QWidget *parent = nullptr);

    // VM instructions a second; 0 is full speed.
    double rate() const;

signals:
    void rateChosen(double rate);

private:
    HostServices &m_host;
};
