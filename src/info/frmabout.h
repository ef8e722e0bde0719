#pragma once

#include <QDialog>

class ProgramState;

// The About dialog: program name, credit line and the Lua logo.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(ProgramState &program, QWidget *parent = nullptr);

    // Shows the single instance modally over `owner` and returns once it is
    // closed; the other windows take no input meanwhile.
    static void showModal(ProgramState &program, QWidget *owner);

    static QString creditText();

protected:
    void showEvent(QShowEvent *event) override;
};
