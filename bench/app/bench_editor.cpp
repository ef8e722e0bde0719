// Editor figures: per-keystroke cost by document size, opening and saving a
// 10 MB file (and saving one of 300,000 short lines), and start-up to the main window shown. Prints
// a table; run with QT_QPA_PLATFORM=offscreen. The argument, if any, is the number of rounds the
// typing figures are the median of (5).

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

// A program of 10 MB: `line` over and over.
void writeBigProgram(const QString &path, const QByteArray &line)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray bytes;
    while (bytes.size() < 10 * 1024 * 1024)
        bytes += line;
    f.write(bytes);
}

// A key typed in the middle of the loaded program, then Save's steps timed
// one by one (median of 5): the text made into file bytes (the editor's
// copy of the document brought up to date, then encoded), and the bytes
// written and synced. For comparison, the same text gathered as the save
// did before the copy existed: the document walked piece by piece, its
// breaks made CR LF, then encoded.
void printSaveFigures(frmMain &window, const QString &original, const QString &target)
{
    EditorTextEdit *editor = window.editor();
    ProjectDocument &document = window.document();
    QList<double> stagedMs, writtenMs, totalMs, walkMs, crlfMs, encodeMs;
    bool same = true;
    for (int round = 0; round < 5; ++round) {
        editor->setTextCursor(
            QTextCursor(editor->document()->findBlockByNumber(editor->blockCount() / 2)));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, {}, QStringLiteral("a"));
        QApplication::sendEvent(editor, &press);
        QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, {});
        QApplication::sendEvent(editor, &erase);
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        document.stageForSaving();
        stagedMs.append(timer.nsecsElapsed() / 1e6);
        timer.restart();
        same = document.SaveText(document.stagingBuffer(), target) && same;
        writtenMs.append(timer.nsecsElapsed() / 1e6);
        totalMs.append(stagedMs.last() + writtenMs.last());

        timer.restart();
        QString text = editor->document()->toRawText();
        walkMs.append(timer.nsecsElapsed() / 1e6);
        timer.restart();
        // In place from the end backwards, as the editor did it.
        const qsizetype n = text.size();
        const qsizetype breaks = text.count(QChar::ParagraphSeparator);
        text.resize(n + breaks);
        QChar *chars = text.data();
        for (qsizetype from = n, to = n + breaks; from > 0;) {
            const QChar c = chars[--from];
            if (c == QChar::ParagraphSeparator) {
                chars[--to] = u'\n';
                chars[--to] = u'\r';
            } else {
                chars[--to] = c;
            }
        }
        crlfMs.append(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const TextFile::EncodeResult encoded = TextFile::encode(text);
        encodeMs.append(timer.nsecsElapsed() / 1e6);
        same = same && encoded.bytes == document.stagingBuffer().fileBytes();
    }
    QFile saved(target);
    same = same && saved.open(QIODevice::ReadOnly) && saved.readAll() == [&] {
        QFile f(original);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    std::printf("  save:  %8.1f ms: text to bytes %.1f ms, written and synced %.1f ms (%s)\n",
                median(totalMs), median(stagedMs), median(writtenMs),
                same ? "same bytes as the original" : "BYTES DIFFER");
    std::printf("  the same text through the document's pieces: walked %.1f ms, CR LF %.1f ms, "
                "encoded %.1f ms: %.1f ms\n",
                median(walkMs), median(crlfMs), median(encodeMs),
                median(walkMs) + median(crlfMs) + median(encodeMs));
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
    program.startMainWindow();
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

    // A 10 MB program: read and shown, then a key typed and saved through
    // the staging buffer; once with typical lines, once with short ones.
    const QString path = dir.filePath("big.lua");
    writeBigProgram(path, "local value = pget(12, 34) -- a typical line of a Plua program\r\n");
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
    std::printf("\n10 MB file (%lld bytes, %d lines):\n", QFile(path).size(),
                window.editor()->document()->blockCount());
    std::printf("  open:  %8.1f ms with Plua colouring (%s), %.1f ms without (%s): %.2fx\n",
                openMs1, qPrintable(spread(openMs[1])), openPlainMs, qPrintable(spread(openMs[0])),
                openMs1 / openPlainMs);
    printSaveFigures(window, path, dir.filePath("saved.lua"));

    const QString shortLines = dir.filePath("short.lua");
    writeBigProgram(shortLines, "local v = pget(1, 2) -- a pixel\r\n");
    window.document().LoadText(window.editor(), shortLines);
    QCoreApplication::processEvents();
    std::printf("\n10 MB file of short lines (%lld bytes, %d lines):\n", QFile(shortLines).size(),
                window.editor()->document()->blockCount());
    printSaveFigures(window, shortLines, dir.filePath("saved-short.lua"));

    std::printf("\n  peak memory: %ld MiB before, %ld MiB after\n", rssBefore / 1024,
                peakRssKiB() / 1024);
    return 0;
}
