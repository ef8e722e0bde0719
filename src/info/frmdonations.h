#pragma once

#include <QWidget>

class Module1;

// Asks for a donation and links to the store that takes it.
class frmDonations : public QWidget
{
    Q_OBJECT

public:
    explicit frmDonations(Module1 &program, QWidget *parent = nullptr);
};
