#pragma once

#include <QWidget>

class ProgramState;
class QPushButton;

// How to get Plua onto the handheld and run an exported program there.
class frmInstallationInstructions : public QWidget
{
    Q_OBJECT

public:
    explicit frmInstallationInstructions(ProgramState &program, QWidget *parent = nullptr);

    // The texts this window shares with the first-run wizard.
    static QString installText();
    static QString exportText();
    static QString runText();

protected:
    void changeEvent(QEvent *event) override;

private:
    QPushButton *m_okButton;
};
