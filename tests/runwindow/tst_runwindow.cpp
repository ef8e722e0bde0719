// The Run command and the run window in-process: a syntax error goes to its
// line without running, a run-time error's line is a click away, the pen and
// the keyboard reach the program, and Stop ends an endless loop while the
// editor stays responsive.

#include "runwindow/handheldview.h"
#include "runwindow/runcommand.h"
#include "runwindow/runwindow.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class tst_RunWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void faultsGoToTheirLine_data();
    void faultsGoToTheirLine();
    void penAndKeysReachTheProgram();
    void stopEndsAnEndlessLoop();

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

void tst_RunWindow::stopEndsAnEndlessLoop()
{
    Editor editor;
    editor.edit->setPlainText("while 1 do pset(1, 1) end");
    editor.command->run();
    RunWindow *window = editor.command->runWindow();
    QTRY_VERIFY(window->isRunning());
    // The editor's thread is free: events are handled while the loop runs.
    QTest::qWait(100);
    editor.edit->appendPlainText(QStringLiteral("-- typed while running"));
    QVERIFY(editor.edit->toPlainText().endsWith(QLatin1String("running")));
    window->findChild<QPushButton *>(QStringLiteral("runStop"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->isRunning(), 2000);
    QCOMPARE(window->statusText(), QStringLiteral("Stopped"));
}

QTEST_MAIN(tst_RunWindow)
#include "tst_runwindow.moc"
