#pragma once

#include <QWidget>

class Module1;

// The first-run wizard.
class frmFirstRun : public QWidget
{
    Q_OBJECT

public:
    explicit frmFirstRun(Module1 &program, QWidget *parent = nullptr);

private:
    Module1 &m_program;
};
