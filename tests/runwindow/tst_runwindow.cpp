// The Run command and the run window, with programs run by plua-run: a
// syntax error goes to its line without running, a run-time error's line is
// a click away, the pen and the keyboard reach the program, Stop ends an
// endless loop (even inside C) while the editor stays responsive, and a
// runner that crashes is reported without touching the editor's text.
// The scale chosen is remembered and shown as far as the screen allows,
// Restart runs the editor's text again and screenshots are the view's pixels.

#include "runeditor.h"
#include "runnerprocess.h"
#include "scriptedhost.h"
#include "offscreenscreen.h"
#include "testenv.h"
#include "runwindow/debugcontroller.h"
#include "runwindow/debugpanel.h"
#include "runwindow/handheldview.h"
#include "runwindow/runcommand.h"
#include "runwindow/runwindow.h"

#include <QDialog>
#include <QDir>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>

namespace {

// The processes this test started that still run (the runners).
QList<qint64> runnerProcesses()
{
    QList<qint64> pids;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &pid : children.readAll().split(' '))
            if (!pid.trimmed().isEmpty())
                pids.append(pid.trimmed().toLongLong());
    }
    return pids;
}

// Run as a child on the screen under test: a run window whose remembered
// scale is `chosen`; prints the scale shown and whether the window's frame,
// with a title bar, lies inside the screen's free area.
int measure(int chosen)
{
    QTemporaryDir folder;
    ScriptedHostServices host(folder.path());
    host.saveSetting(QStringLiteral("Run"), QStringLiteral("Scale"), QString::number(chosen));
    RunWindow window(host);
    window.show();
    QCoreApplication::processEvents();
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame =
        window.frameGeometry().adjusted(0, -2 * window.fontMetrics().height(), 0, 0);
    std::cout << window.view()->scale() << ' '
              << (frame.width() <= room.width() && frame.height() <= room.height() &&
                          room.contains(window.frameGeometry())
                      ? "fits"
                      : "too big")
              << '\n';
    return 0;
}

} // namespace

class tst_RunWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void faultsGoToTheirLine_data();
    void faultsGoToTheirLine();
    void penAndKeysReachTheProgram();
    void stopEndsAnEndlessLoop_data();
    void stopEndsAnEndlessLoop();
    void aCrashedRunnerIsReported();
    void framesMatchPluaRun();
    void dialogsAndMenuAreOnTheScreen();
    void scaleFitsTheScreen_data();
    void scaleFitsTheScreen();
    void scaleIsRemembered_data();
    void scaleIsRemembered();
    void restartRunsTheEditorsText();
    void screenshotsAreTheViewsPixels_data();
    void screenshotsAreTheViewsPixels();
    void screenshotFailuresAreReported_data();
    void screenshotFailuresAreReported();
    void pauseFreezesTheProgramUntilContinue();

private:
    using Editor = RunEditor;
};

void tst_RunWindow::faultsGoToTheirLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("status");
    QTest::newRow("syntax error") << "print(1)\nprint(2)\nx = = 3\nprint(4)" << 3
                                  << "game.lua:3: <expression> expected";
    QTest::newRow("run-time error") << "print(1)\nlocal t\n\nprint(t.x)" << 4
                                    << "game.lua:4: attempt to index local `t' (a nil value)";
}

void tst_RunWindow::faultsGoToTheirLine()
{
    QFETCH(QString, program);
    QFETCH(int, line);
    QFETCH(QString, status);
    Editor editor;
    editor.edit->setPlainText(program);
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QVERIFY(window);
    QTRY_COMPARE(window->statusText(), status);
    QVERIFY(!window->isRunning());
    // Away from the line, then back by a click on the message.
    editor.edit->moveCursor(QTextCursor::Start);
    auto *label = window->findChild<QLabel *>(QStringLiteral("runStatus"));
    QVERIFY(label);
    emit label->linkActivated(QStringLiteral("line:%1").arg(line));
    QCOMPARE(editor.edit->textCursor().blockNumber() + 1, line);
}

void tst_RunWindow::penAndKeysReachTheProgram()
{
    Editor editor;
    editor.edit->setPlainText("local e, x, y = pevent()\n"
                              "while e ~= penDown do e, x, y = pevent() end\n"
                              "pbox(x, y, 4, 4)\n"
                              "e, x = pevent()\n"
                              "while e ~= keyDown do e, x = pevent() end\n"
                              "if x == 113 then pbox(0, 0, 4, 4) end\n"
                              "pevent()\n");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    HandheldView *view = window->view();
    QTRY_VERIFY(window->isRunning());
    const int scale = view->scale();
    const QPoint at = view->screenRect().topLeft() + QPoint(20 * scale, 30 * scale);
    QTest::mouseClick(view, Qt::LeftButton, {}, at);
    QTRY_COMPARE(view->frame().pixelColor(21, 31), QColor(Qt::black));
    QTest::keyClick(view, Qt::Key_Q);
    QTRY_COMPARE(view->frame().pixelColor(1, 1), QColor(Qt::black));
    window->stop();
    QTRY_VERIFY(!window->isRunning());
    QCOMPARE(window->statusText(), QStringLiteral("Stopped"));
}

void tst_RunWindow::stopEndsAnEndlessLoop_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("drawing") << "while 1 do pset(1, 1) end";
    QTest::newRow("inside a pattern match")
        << "strfind(strrep(\"a\", 5000), strrep(\"a*\", 30) .. \"b\")";
    QTest::newRow("beeping") << "while 1 do pbeep() end";
}

void tst_RunWindow::stopEndsAnEndlessLoop()
{
    QFETCH(QString, program);
    Editor editor;
    editor.edit->setPlainText(program);
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QTRY_VERIFY(window->isRunning());
    // The editor's thread is free: events are handled while the loop runs.
    QTest::qWait(300);
    editor.edit->appendPlainText(QStringLiteral("-- typed while running"));
    QVERIFY(editor.edit->toPlainText().endsWith(QLatin1String("running")));
    QElapsedTimer stopping;
    stopping.start();
    window->findChild<QPushButton *>(QStringLiteral("runStop"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->isRunning(), 2000);
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QCOMPARE(window->statusText(), QStringLiteral("Stopped"));
    QCOMPARE(runnerProcesses(), QList<qint64>());
}

void tst_RunWindow::aCrashedRunnerIsReported()
{
    Editor editor;
    editor.edit->setPlainText("while 1 do end");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QTRY_VERIFY(window->isRunning());
    QTRY_COMPARE(runnerProcesses().size(), 1);
    QCOMPARE(::kill(static_cast<pid_t>(runnerProcesses().constFirst()), SIGSEGV), 0);
    QTRY_VERIFY(!window->isRunning());
    QCOMPARE(window->statusText(), QStringLiteral("The program stopped unexpectedly (signal 11)"));
    QCOMPARE(editor.edit->toPlainText(), QStringLiteral("while 1 do end"));
}

// The runner draws text on a thread of its own behind its walls: the same
// pixels as plua-run's screenshot of the same program.
void tst_RunWindow::framesMatchPluaRun()
{
    const QString program =
        QStringLiteral("ptitle(\"Fonts\")\nprint(\"Standard 0123\")\npfont(1) print(\"Bold\")\n"
                       "pfont(2) print(\"Large\")\npfont(7) print(\"Large bold\")\npevent()\n");
    QTemporaryDir work;
    QFile file(work.filePath(QStringLiteral("p.lua")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(program.toLatin1());
    file.close();
    QProcess pluaRun;
    pluaRun.setWorkingDirectory(work.path());
    pluaRun.start(RunnerProcess::defaultRunner(),
                  {QStringLiteral("p.lua"), QStringLiteral("--storage"), work.path(),
                   QStringLiteral("--screenshot"), QStringLiteral("shot.png")});
    QVERIFY(pluaRun.waitForFinished());
    const QImage expected(work.filePath(QStringLiteral("shot.png")));
    QVERIFY(!expected.isNull());

    {
        Editor editor;
        editor.edit->setPlainText(program);
        editor.command->run();
        RunWindow *window = editor.command->runWindow();
        QTRY_COMPARE(window->view()->frame().convertToFormat(QImage::Format_RGB32),
                     expected.convertToFormat(QImage::Format_RGB32));
    }
    // Closing the editor's window ended the runner with it.
    QCOMPARE(runnerProcesses(), QList<qint64>());
}

// The program's dialog and menu are the handheld's, on its screen, answered
// with the pen; a sound shows apart from the run's state; Home ends the run.
void tst_RunWindow::dialogsAndMenuAreOnTheScreen()
{
    Editor editor;
    editor.edit->setPlainText("ptitle('T') pmenu({'Box'})\n"
                              "if pconfirm('Go?') then pbox(100, 50, 4, 4) end\n"
                              "local e = pevent()\n"
                              "while e ~= menuSelect do e = pevent() end\n"
                              "pbox(100, 60, 4, 4) pbeep(1)\n"
                              "while 1 do pevent() end\n");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    HandheldView *view = window->view();
    const auto tap = [view](int x, int y) {
        const int scale = view->scale();
        QTest::mouseClick(view, Qt::LeftButton, {},
                          view->screenRect().topLeft() + QPoint(x * scale, y * scale));
    };
    // The confirm form's frame and title bar at the bottom of the screen.
    QTRY_COMPARE(view->frame().pixelColor(0, 130), QColor(Qt::black));
    QCOMPARE(view->frame().pixelColor(150, 115), QColor(Qt::black));
    QVERIFY(!window->findChild<QDialog *>());
    tap(20, 148); // Yes
    QTRY_COMPARE(view->frame().pixelColor(101, 51), QColor(Qt::black));
    QCOMPARE(view->frame().pixelColor(0, 130), QColor(Qt::white));
    tap(3, 3); // the title opens the menu
    QTRY_COMPARE(view->frame().pixelColor(2, 14), QColor(Qt::black));
    tap(20, 18);
    QTRY_COMPARE(view->frame().pixelColor(101, 61), QColor(Qt::black));
    auto *sound = window->findChild<QLabel *>(QStringLiteral("runSound"));
    QVERIFY(sound);
    QTRY_COMPARE(sound->text(), QStringLiteral("Beep: info"));
    QVERIFY(window->statusText().startsWith(QLatin1String("Running")));
    QTRY_COMPARE_WITH_TIMEOUT(sound->text(), QString(), 4000);
    // Home, the silk-screen button at the top left below the screen.
    QTest::mouseClick(view, Qt::LeftButton, {}, view->screenRect().bottomLeft() + QPoint(4, 4));
    QTRY_VERIFY(!window->isRunning());
    QCOMPARE(window->statusText(), QStringLiteral("Ended"));
}

void tst_RunWindow::scaleFitsTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("fit");
    for (int chosen = 1; chosen <= 4; ++chosen)
        QTest::addRow("%dx on 1920x1200", chosen)
            << QSize(1920, 1200) << chosen << chosen << QStringLiteral("fits");
    QTest::newRow("4x on 1366x768") << QSize(1366, 768) << 4 << 2 << QStringLiteral("fits");
    QTest::newRow("2x on 960x540") << QSize(960, 540) << 2 << 1 << QStringLiteral("fits");
    // Not even 1x fits: 1x it is.
    QTest::newRow("3x on 400x300") << QSize(400, 300) << 3 << 1 << QStringLiteral("too big");
}

void tst_RunWindow::scaleFitsTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(int, chosen);
    QFETCH(int, shown);
    QFETCH(QString, fit);
    QTemporaryDir dir;
    QProcessEnvironment env = offscreenScreen(dir, screen);
    QVERIFY(!env.isEmpty());
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--measure"), QString::number(chosen)});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()).trimmed(),
             QStringLiteral("%1 %2").arg(shown).arg(fit));
}

void tst_RunWindow::scaleIsRemembered_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("chosen");
    QTest::newRow("3x") << "3" << 3;
    QTest::newRow("4x") << "4" << 4;
    QTest::newRow("none") << "" << 2;
    QTest::newRow("out of range") << "9" << 2;
    QTest::newRow("not a number") << "big" << 2;
}

void tst_RunWindow::scaleIsRemembered()
{
    QFETCH(QString, stored);
    QFETCH(int, chosen);
    QTemporaryDir folder;
    ScriptedHostServices host(folder.path());
    host.saveSetting(QStringLiteral("Run"), QStringLiteral("Scale"), stored);
    RunWindow first(host);
    QCOMPARE(first.chosenScale(), chosen);
    // The offscreen screen (800x600) holds the window at 2x at most; larger
    // scales cannot be chosen there.
    QCOMPARE(first.view()->scale(), std::min(chosen, 2));
    auto *box = first.findChild<QComboBox *>(QStringLiteral("runScale"));
    QCOMPARE(box->currentData().toInt(), std::min(chosen, 2));
    QVERIFY(box->model()->flags(box->model()->index(1, 0)).testFlag(Qt::ItemIsEnabled));
    QVERIFY(!box->model()->flags(box->model()->index(2, 0)).testFlag(Qt::ItemIsEnabled));
    emit box->activated(0);
    QCOMPARE(RunWindow(host).chosenScale(), 1);
}

void tst_RunWindow::restartRunsTheEditorsText()
{
    Editor editor;
    editor.edit->setPlainText("pbox(0, 0, 4, 4)\npevent()\n");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QTRY_COMPARE(window->view()->frame().pixelColor(1, 1), QColor(Qt::black));
    editor.edit->setPlainText("pbox(10, 10, 4, 4)\npevent()\n");
    QTest::keyClick(window->view(), Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(window->view()->frame().pixelColor(11, 11), QColor(Qt::black));
    QCOMPARE(window->view()->frame().pixelColor(1, 1), QColor(Qt::white));
    QVERIFY(window->isRunning());
    window->stop();
}

void tst_RunWindow::screenshotsAreTheViewsPixels_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("asShown");
    QTest::newRow("actual size from 2x") << 2 << false;
    for (int scale = 1; scale <= 3; ++scale)
        QTest::addRow("as shown at %dx", scale) << scale << true;
}

void tst_RunWindow::screenshotsAreTheViewsPixels()
{
    QFETCH(int, scale);
    QFETCH(bool, asShown);
    QTemporaryDir folder;
    ScriptedHostServices host(folder.path());
    RunWindow window(host);
    QImage frame(160, 160, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
    window.view()->setScale(scale);
    window.view()->showFrame(frame);
    const QString path = folder.filePath(QStringLiteral("shot.png"));
    host.fileAnswers.enqueue(path);
    window.saveScreenshot(asShown);
    QCOMPARE(host.fileDialogs.size(), 1);
    QCOMPARE(host.fileDialogs.constFirst().initialName, QStringLiteral("Untitled.png"));
    const QImage saved(path, "PNG");
    const QImage expected =
        asShown ? window.view()->grab(window.view()->screenRect()).toImage() : frame;
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
    QVERIFY(host.messages.isEmpty());
}

void tst_RunWindow::screenshotFailuresAreReported_data()
{
    QTest::addColumn<QString>("path"); // $D is a folder holding the regular file "plain"
    QTest::newRow("cancelled") << QString();
    QTest::newRow("folder not writable") << "/sys/scrivlet-shot.png";
    QTest::newRow("under a file") << "$D/plain/shot.png";
}

void tst_RunWindow::screenshotFailuresAreReported()
{
    QFETCH(QString, path);
    QTemporaryDir folder;
    path.replace(QStringLiteral("$D"), folder.path());
    QFile plain(folder.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    ScriptedHostServices host(folder.path());
    RunWindow window(host);
    host.fileAnswers.enqueue(path);
    window.saveScreenshot(false);
    QCOMPARE(host.fileDialogs.size(), 1);
    QVERIFY(path.isEmpty() || !QFileInfo::exists(path));
    QCOMPARE(host.messages.size(), path.isEmpty() ? 0 : 1);
    if (!path.isEmpty()) {
        QVERIFY2(host.messages.constFirst().text.startsWith(
                     QStringLiteral("The screenshot could not be saved to ") + path + ": "),
                 qPrintable(host.messages.constFirst().text));
        QCOMPARE(host.messages.constFirst().icon, HostServices::Icon::Error);
    }
}

// Pause freezes the program where it is, even where it waits for input,
// and its screen with it; the pen does not reach it meanwhile. The debug
// window shows where it stands; Continue goes on, and Stop ends it paused.
void tst_RunWindow::pauseFreezesTheProgramUntilContinue()
{
    Editor editor;
    editor.edit->setPlainText("n = 0\n"
                              "while 1 do\n"
                              "  n = n + 1\n"
                              "  pmoveto(0, 0) print(n)\n"
                              "  local e, x, y = pevent(10)\n"
                              "  if e == penDown then pbox(x, y, 4, 4) end\n"
                              "end\n");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    HandheldView *view = window->view();
    QTRY_VERIFY(window->isRunning());
    auto *pause = window->findChild<QPushButton *>(QStringLiteral("runPause"));
    QVERIFY(pause);
    QTRY_VERIFY(!view->frame().isNull());
    QTest::qWait(100);
    pause->click();
    QTRY_VERIFY(window->isPaused());
    QCOMPARE(pause->text(), QStringLiteral("Continue"));
    QVERIFY(window->statusText().startsWith(QLatin1String("Paused at line ")));
    DebugPanel *panel = editor.command->debugger()->panel();
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(panel->windowTitle().startsWith(QLatin1String("Debug - game.lua: paused at line ")));
    QCOMPARE(panel->stack()->count(), 1);
    QVERIFY(panel->stack()->item(0)->text().startsWith(QLatin1String("main chunk, line ")));
    // A screen reader finds the parts by name and reads a variable's row
    // as one sentence; Ctrl+C copies it.
    QAccessibleInterface *variables = QAccessible::queryAccessibleInterface(panel->variables());
    QVERIFY(variables);
    QCOMPARE(variables->text(QAccessible::Name), QStringLiteral("Variables"));
    QCOMPARE(QAccessible::queryAccessibleInterface(panel->stack())->text(QAccessible::Name),
             QStringLiteral("Call stack"));
    QTreeWidgetItem *globals = panel->variables()->topLevelItem(2);
    QCOMPARE(globals->text(0), QStringLiteral("Globals"));
    QCOMPARE(globals->child(0)->text(0), QStringLiteral("n"));
    const int n = globals->child(0)->text(1).toInt();
    QVERIFY(n > 0);
    QCOMPARE(globals->child(0)->data(1, Qt::AccessibleTextRole).toString(),
             QStringLiteral("n = %1 (number)").arg(n));
    panel->variables()->setCurrentItem(globals->child(0));
    panel->variables()->setFocus();
    QTest::keyClick(panel->variables(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("n = %1").arg(n));

    const QImage frozen = view->frame();
    const int scale = view->scale();
    QTest::mouseClick(view, Qt::LeftButton, {},
                      view->screenRect().topLeft() + QPoint(80, 80) * scale);
    QTest::qWait(300);
    QCOMPARE(view->frame(), frozen);
    QVERIFY(window->isPaused());

    pause->click();
    QTRY_VERIFY(view->frame() != frozen);
    QCOMPARE(view->frame().pixelColor(81, 81), QColor(Qt::white));
    QTRY_VERIFY(!window->isPaused());
    QCOMPARE(pause->text(), QStringLiteral("Pause"));

    window->pause();
    QTRY_VERIFY(window->isPaused());
    window->stop();
    QTRY_VERIFY(!window->isRunning());
    QCOMPARE(window->statusText(), QStringLiteral("Stopped"));
    QVERIFY(panel->windowTitle().endsWith(QLatin1String("stopped")));
    QVERIFY(!pause->isEnabled());
}

int main(int argc, char *argv[])
{
    isolateUserFolders();
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0)
        return measure(QByteArray(argv[2]).toInt());
    tst_RunWindow tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_runwindow.moc"
