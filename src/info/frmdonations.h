#pragma once

#include <QWidget>

class ProgramState;

// Asks for a donation and links to the store that takes it.
class frmDonations : public QWidget
{
    Q_OBJECT

public:
    explicit frmDonations(ProgramState &program, QWidget *parent = nullptr);
};
