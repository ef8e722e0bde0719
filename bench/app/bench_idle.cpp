// What an idle editor costs: the share of one CPU the process uses while the
// window only shows its blinking caret, for a short program and for one
// line of 262,000 characters.

#include "app/frmmain.h"
#include "app/program.h"
#include "document/editortextedit.h"
#include "platform/qthostservices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Share of one CPU used while the event loop runs for `seconds` untouched.
double idleShare(frmMain &window, const QString &text, int caret, double seconds)
{
    window.editor()->setPlainTextAnyBreaks(text);
    QTextCursor cursor = window.editor()->textCursor();
    cursor.setPosition(caret);
    window.editor()->setTextCursor(cursor);
    window.editor()->setFocus();
    // The check and the colours of the new text settle first.
    QTest::qWait(1500);
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(int(seconds * 1000));
    return 100.0 * (cpuSeconds() - cpu) / (double(wall.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QtHostServices host(dir.path());
    Program program(host, QString());
    program.startMainWindow();
    frmMain *window = program.mainWindow();
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowExposed(window))
        std::printf("the window was not shown!\n");
    std::printf("Idle CPU with the caret blinking (%s platform, %d ms flash time):\n",
                qPrintable(QGuiApplication::platformName()), QApplication::cursorFlashTime());
    const QString shortProgram = QStringLiteral("x = 1\nif x then\n  print(x)\nend\n");
    std::printf("  4-line program:              %5.1f %% of a CPU\n",
                idleShare(*window, shortProgram, 8, 5.0));
    QString line;
    while (line.size() < 262000)
        line += QStringLiteral("pbox(10, 20, 30, 40) x = \"text\" if y then z = 5 end ");
    line.truncate(262000);
    std::printf("  one line of 262,000 characters, caret in the middle: %5.1f %% of a CPU\n",
                idleShare(*window, line, 131000, 5.0));
    std::printf("  the same, caret at the end:                          %5.1f %% of a CPU\n",
                idleShare(*window, line, 262000, 5.0));
    std::printf("  one word of 262,000 letters, caret at the end:       %5.1f %% of a CPU\n",
                idleShare(*window, QString(262000, u'x'), 262000, 5.0));
    return 0;
}
