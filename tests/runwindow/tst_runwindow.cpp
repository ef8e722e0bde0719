// The Run command and the run window, with programs run by plua-run: a
// syntax error goes to its line without running, a run-time error's line is
// a click away, the pen and the keyboard reach the program, Stop ends an
// endless loop (even inside C) while the editor stays responsive, and a
// runner that crashes is reported without touching the editor's text.

#include "runnerprocess.h"
#include "runwindow/handheldview.h"
#include "runwindow/runcommand.h"
#include "runwindow/runwindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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
    void dialogsAreAnsweredInTheWindow();

private:
    struct Editor
    {
        QMainWindow window;
        QPlainTextEdit *edit = new QPlainTextEdit(&window);
        RunCommand *command =
            attachRunCommand(&window, edit, [] { return QStringLiteral("/p/game.lua"); });
        Editor()
        {
            window.setCentralWidget(edit);
            window.show();
        }
    };
};

void tst_RunWindow::faultsGoToTheirLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("status");
    QTest::newRow("syntax error") << "print(1)\nprint(2)\nx = = 3\nprint(4)" << 3
                                  << "game.lua:3: expression expected near '='";
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
    const QPoint at = view->screenRect().topLeft() + QPoint(20 * 2 + 1, 30 * 2 + 1);
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

void tst_RunWindow::dialogsAreAnsweredInTheWindow()
{
    Editor editor;
    editor.edit->setPlainText("if pconfirm(\"Go?\") then pbox(0, 0, 4, 4) end\npevent()\n");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = window->findChild<QDialog *>()) && dialog->isVisible());
    QCOMPARE(dialog->findChild<QLabel *>()->text(), QStringLiteral("Go?"));
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    buttons->button(QDialogButtonBox::Yes)->click();
    QTRY_COMPARE(window->view()->frame().pixelColor(1, 1), QColor(Qt::black));
    window->stop();
}

QTEST_MAIN(tst_RunWindow)
#include "tst_runwindow.moc"
