#include "app/module1.h"
#include "app/qthostservices.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivlet IDE"));
    QApplication::setOrganizationName(QStringLiteral("Scrivlet IDE"));
    QApplication::setApplicationVersion(QStringLiteral("1.3b"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/scrivlet.svg")));

    // The program's arguments joined by blanks are its command line: a path
    // given with or without quotes opens the same file.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    QtHostServices host;
    Module1 program(host, arguments.join(u' '));
    program.start();
    return QApplication::exec();
}
