#pragma once

#include <QWidget>

class Program;

// Asks for a donation and links to the store that takes it.
class frmDonations : public QWidget
{
    Q_OBJECT

public:
    explicit frmDonations(Program &program, QWidget *parent = nullptr);
};
