#include "frmbrowser.h"

#include "app/module1.h"

frmBrowser::frmBrowser(Module1 &program, QWidget *parent) : QWidget(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmBrowser"));
    resize(9360 / 15, 7815 / 15);
}
