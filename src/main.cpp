#include "app/program.h"
#include "platform/qthostservices.h"
#include "version.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

// The program's own arguments joined by blanks: its command line, which
// names one file, with or without quotes.
QString commandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments.join(u' ');
}

} // namespace

int main(int argc, char *argv[])
{
    // Only these two, alone, are options; anything else names a file (a
    // file called "--help" opens as "./--help").
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: %s [FILE]\n"
                    "Scrivlet IDE, an editor for Plua programs.\n"
                    "Opens FILE in the editor. The whole command line is one file name: blanks\n"
                    "stay part of it and double quotes are dropped.\n\n"
                    "  --help     show this help and exit\n"
                    "  --version  show the version and exit\n",
                    argv[0]);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Scrivlet IDE %s\n", VersionLabel);
        return 0;
    }

    // Qt sees only the program's name: options of its own such as -reverse
    // or -style would otherwise be taken out of the file name.
    const QString fileArgument = commandLine(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivlet IDE"));
    QApplication::setOrganizationName(QStringLiteral("Scrivlet IDE"));
    QApplication::setApplicationVersion(QString::fromLatin1(VersionLabel));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/scrivlet.svg")));

    QtHostServices host;
    Program program(host, fileArgument);
    program.start();
    return QApplication::exec();
}
