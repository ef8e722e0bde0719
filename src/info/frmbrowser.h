#pragma once

#include <QWidget>

class Module1;

// The program's own web browser.
class frmBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit frmBrowser(Module1 &program, QWidget *parent = nullptr);

private:
    Module1 &m_program;
};
