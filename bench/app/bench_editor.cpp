// Editor figures: per-keystroke cost by document size, opening and saving a
// 10 MB file, and start-up to the main window shown. Prints a table; run
// with QT_QPA_PLATFORM=offscreen. The argument, if any, is the number of
// rounds the typing figures are the median of (5).

#include "document/editortextedit.h"
#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "app/program.h"
#include "platform/qthostservices.h"
#include "document/textbuffer.h"
#include "textfile.h"
#include "lang/pluadiagnostics.h"
#include "lang/pluasupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

long peakRssKiB()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

QString programText(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("local v%1 = pget(%1, %2) -- pixel %1\r\n").arg(i).arg(i % 160);
    return text;
}

// Puts a program of `lines` lines in the editor, the caret in its middle.
void loadProgram(frmMain &window, int lines)
{
    EditorTextEdit *editor = window.editor();
    editor->setPlainTextAnyBreaks(programText(lines));
    editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(lines / 2)));
    editor->setFocus();
    QCoreApplication::processEvents();
}

// Types `keys` characters at the caret, each through the editor's own key
// handling, change handler and status line; a line break every 40 keys.
double microsecondsPerKey(frmMain &window, int keys, bool paint)
{
    EditorTextEdit *editor = window.editor();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < keys; ++i) {
        const bool enter = i % 40 == 39;
        QKeyEvent press(QEvent::KeyPress, enter ? Qt::Key_Return : Qt::Key_A, {},
                        enter ? QStringLiteral("\r") : QStringLiteral("a"));
        QApplication::sendEvent(editor, &press);
        // Let the editor lay out and paint as it would between real keys.
        if (paint)
            QCoreApplication::processEvents();
    }
    const double us = timer.nsecsElapsed() / 1000.0 / keys;
    if (!window.lineStatusBar()->currentMessage().startsWith(QLatin1String("Line ")))
        std::printf("status line missing!\n");
    return us;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QtHostServices host(dir.path());
    Program program(host, QString());
    program.StartMainWindow();
    frmMain &window = *program.mainWindow();
    const bool exposed = QTest::qWaitForWindowExposed(&window);
    const double startupMs = sinceStart.nsecsElapsed() / 1e6;

    std::printf("Start-up to main window shown: %.1f ms (in process, %s)\n", startupMs,
                exposed ? "exposed" : "NOT exposed");

    // The same typing with the Plua 1 features (colours, checking after a
    // pause, help at the caret, line numbers) off and on.
    PluaSupport *support = PluaSupport::of(window.editor());
    if (!support) {
        std::printf("the editor has no Plua support!\n");
        return 1;
    }
    // Several rounds, Plua support off and on alternating, so that other
    // load on the machine falls on both alike; medians, and the spread of
    // the on/off ratio over the rounds.
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QList<int> sizes = {10, 10000, 100000};
    QMap<int, QList<double>> handled[2], painted[2];
    for (int round = 0; round < rounds; ++round) {
        for (int lines : sizes) {
            for (int i = 0; i < 2; ++i) {
                const bool on = (i + round) % 2 == 1; // alternate which goes first
                support->setActive(on);
                loadProgram(window, lines);
                // The first keys after a new text pay once for laying out the
                // lines around the caret; the figures are for steady typing.
                microsecondsPerKey(window, 200, true);
                handled[on][lines].append(microsecondsPerKey(window, 1000, false));
                painted[on][lines].append(microsecondsPerKey(window, 1000, true));
            }
        }
    }
    std::printf("\nPer-keystroke cost, microseconds (median of %d rounds): the key with the\n"
                "change handler and status line alone, and with the layout and painting that\n"
                "follow it on screen; Plua colouring and checking off, then on\n",
                rounds);
    std::printf("%10s %5s %12s %14s %10s %18s\n", "lines", "plua", "handling", "with paint",
                "on/off", "on/off spread");
    for (int lines : sizes) {
        for (bool on : {false, true}) {
            std::printf("%10d %5s %12.1f %14.1f", lines, on ? "on" : "off",
                        median(handled[on][lines]), median(painted[on][lines]));
            if (on) {
                QList<double> ratios;
                for (int r = 0; r < rounds; ++r)
                    ratios.append(painted[1][lines][r] / painted[0][lines][r]);
                std::printf(" %9.2fx %8.2f-%.2fx",
                            median(painted[1][lines]) / median(painted[0][lines]),
                            *std::min_element(ratios.begin(), ratios.end()),
                            *std::max_element(ratios.begin(), ratios.end()));
            }
            std::printf("\n");
        }
    }

    // After a pause: what the check takes from the editor's thread (reading
    // the text) and how long until its mark shows.
    std::printf("\nCheck after a pause in typing, ms: on the editor's thread, and until shown\n");
    support->setActive(true);
    PluaDiagnostics *diagnostics = support->diagnostics();
    for (int lines : {1000, 10000, 100000}) {
        loadProgram(window, lines);
        QSignalSpy done(diagnostics, &PluaDiagnostics::resultChanged);
        QTest::qWait(PluaDiagnostics::PauseMs + 100);
        done.wait(10000);
        done.clear();
        QElapsedTimer check;
        check.start();
        diagnostics->checkNow();
        const double uiMs = check.nsecsElapsed() / 1e6;
        done.wait(10000);
        std::printf("%10d lines %8.2f %8.2f\n", lines, uiMs, check.nsecsElapsed() / 1e6);
    }

    // A 10 MB program: read and shown, then saved through the staging buffer.
    const QString path = dir.filePath("big.lua");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray line =
            "local value = pget(12, 34) -- a typical line of a Plua program\r\n";
        while (f.size() < 10 * 1024 * 1024)
            f.write(line);
    }
    const long rssBefore = peakRssKiB();
    // Opened with colours off and on alternately; "open" ends when the
    // window has handled everything the load queued, the first screen
    // coloured.
    QList<double> openMs[2];
    QElapsedTimer timer;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2; ++i) {
            const bool on = (i + round) % 2 == 1;
            support->setActive(on);
            window.editor()->clear();
            QCoreApplication::processEvents();
            timer.restart();
            window.document().LoadText(window.editor(), path);
            window.showLineStatus();
            QCoreApplication::processEvents();
            openMs[on].append(timer.nsecsElapsed() / 1e6);
        }
    }
    const double openPlainMs = median(openMs[0]);
    const double openMs1 = median(openMs[1]);
    const auto spread = [](const QList<double> &v) {
        return QString::asprintf("%.0f-%.0f", *std::min_element(v.begin(), v.end()),
                                 *std::max_element(v.begin(), v.end()));
    };
    timer.restart();
    window.document().stageText();
    const bool saved =
        window.document().SaveText(window.document().stagingBuffer(), dir.filePath("saved.lua"));
    const double saveMs = timer.nsecsElapsed() / 1e6;
    std::printf("\n10 MB file (%lld bytes, %d lines):\n", QFile(path).size(),
                window.editor()->document()->blockCount());
    std::printf("  open:  %8.1f ms with Plua colouring (%s), %.1f ms without (%s): %.2fx\n"
                "  save:  %8.1f ms (%s)\n",
                openMs1, qPrintable(spread(openMs[1])), openPlainMs, qPrintable(spread(openMs[0])),
                openMs1 / openPlainMs, saveMs,
                saved && QFile(dir.filePath("saved.lua")).size() == QFile(path).size()
                    ? "same size as the original"
                    : "SIZE DIFFERS");
    std::printf("  peak memory: %ld MiB before, %ld MiB after\n", rssBefore / 1024,
                peakRssKiB() / 1024);
    return 0;
}
