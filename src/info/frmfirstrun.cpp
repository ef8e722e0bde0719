#include "frmfirstrun.h"

#include "app/module1.h"

frmFirstRun::frmFirstRun(Module1 &program, QWidget *parent) : QWidget(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmFirstRun"));
    setWindowTitle(QStringLiteral("PLua installation instructions"));
    setFixedSize(5520 / 15, 3960 / 15);
}
