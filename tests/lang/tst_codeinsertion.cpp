#include "mainwindowfixture.h"
#include "testenv.h"

#include "app/keystrokequeue.h"

#include <QApplication>
#include <QListWidget>
#include <QStatusBar>

// Code insertion driven the way a user does it: a real double-click on the
// catalogue or the Insert menu, the keys typed by the keystroke queue into
// the editor, the prompts answered by the scripted host.
class tst_CodeInsertion : public QObject
{
    Q_OBJECT

    static void waitForKeys(MainWindowFixture &f)
    {
        QTRY_VERIFY_WITH_TIMEOUT(f.host.keystrokes()->isIdle(), 5000);
        QCoreApplication::processEvents();
    }

    static void doubleClickEntry(MainWindowFixture &f, const QString &listText)
    {
        QListWidget *list = f.window->List1();
        QListWidgetItem *item = list->findItems(listText, Qt::MatchExactly).value(0);
        QVERIFY(item);
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        waitForKeys(f);
    }

    static int caretPosition(MainWindowFixture &f) { return f.editor()->textCursor().position(); }

private slots:
    void init() { QGuiApplication::inputMethod()->reset(); }

    void doubleClickTypesTheCallOnANewLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("anchor"); // -1: no selection
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("status");
        QTest::newRow("caret mid-line") << "abc\r\ndef" << 1 << -1 << "pclear()"
                                        << "abc\r\npclear()\r\ndef" << "Line 2 of 3";
        QTest::newRow("selection is kept") << "abc\r\ndef" << 5 << 4 << "print()"
                                           << "abc\r\ndef\r\nprint()" << "Line 3 of 3";
        QTest::newRow("empty text") << "" << 0 << -1 << "pmode()" << "\r\npmode()" << "Line 2 of 2";
        QTest::newRow("text ends with a line break")
            << "x\r\n" << 2 << -1 << "pnl()" << "x\r\n\r\npnl()" << "Line 3 of 3";
        QTest::newRow("longest name") << "a" << 0 << -1 << "pselectdate()"
                                      << "a\r\npselectdate()" << "Line 2 of 2";
    }

    void doubleClickTypesTheCallOnANewLine()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, anchor);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        QFETCH(QString, status);
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(text);
        f.setCaret(caret, anchor);
        doubleClickEntry(f, entry);
        QCOMPARE(f.text(), expected);
        // The caret ends right after the ")".
        QTextCursor cursor = f.editor()->textCursor();
        QVERIFY(!cursor.hasSelection());
        QCOMPARE(cursor.block().text().left(cursor.positionInBlock()), entry);
        QCOMPARE(f.status(), status);
        QVERIFY(f.editor()->hasFocus());
        // The help of the entry shows, as for a single click.
        QVERIFY(f.window->label2()->toPlainText().startsWith(entry.chopped(1)));
    }

    void doubleClickTwice()
    {
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText("x");
        f.setCaret(1);
        doubleClickEntry(f, "pbox()");
        doubleClickEntry(f, "pbox()");
        QCOMPARE(f.text(), QStringLiteral("x\r\npbox()\r\npbox()"));
        QCOMPARE(f.status(), QStringLiteral("Line 3 of 3"));
    }

    void newFunction_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("status");
        QTest::newRow("after the last line") << "x" << "main" << "x\r\nfunction main()\r\n\r\nend"
                                             << "Line 3 of 4";
        QTest::newRow("empty text") << "" << "main" << "\r\nfunction main()\r\n\r\nend" << "Line 3 of 4";
        QTest::newRow("text ending with a line break")
            << "x\r\n" << "f" << "x\r\n\r\nfunction f()\r\n\r\nend" << "Line 4 of 5";
        QTest::newRow("notation characters typed as they are")
            << "" << "a+b^c%d~(e){f}[g]" << "\r\nfunction a+b^c%d~(e){f}[g]()\r\n\r\nend" << "Line 3 of 4";
        QTest::newRow("method name") << "" << "obj:on_tap.x" << "\r\nfunction obj:on_tap.x()\r\n\r\nend"
                                     << "Line 3 of 4";
    }

    void newFunction()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QFETCH(QString, status);
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(text);
        f.setCaret(0);
        f.host.inputAnswers << name;
        f.trigger("mnuNewFunction");
        waitForKeys(f);
        QCOMPARE(f.host.inputs.value(0).prompt, QStringLiteral("Name for new function?"));
        QCOMPARE(f.host.inputs.value(0).caption, QStringLiteral("Create a new function"));
        QCOMPARE(f.text(), expected);
        // The caret waits at the start of the empty line for the body.
        const QTextCursor cursor = f.editor()->textCursor();
        QCOMPARE(cursor.positionInBlock(), 0);
        QCOMPARE(cursor.block().text(), QString());
        QCOMPARE(cursor.block().next().text(), QStringLiteral("end"));
        QCOMPARE(f.status(), status);
    }

    void newFunctionByShortcutWhileTheListHasFocus()
    {
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText("x");
        f.window->List1()->setFocus();
        f.host.inputAnswers << "go";
        QTest::keyClick(f.window->List1(), Qt::Key_F, Qt::ControlModifier);
        waitForKeys(f);
        QCOMPARE(f.text(), QStringLiteral("x\r\nfunction go()\r\n\r\nend"));
    }

    void comment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caretAfter");
        QTest::newRow("mid-line") << "ab" << 1 << -1 << "a-- note!b" << 9;
        QTest::newRow("replaces the selection") << "abcd" << 3 << 1 << "a-- note!d" << 9;
        QTest::newRow("empty text") << "" << 0 << -1 << "-- note!" << 8;
    }

    void comment()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, anchor);
        QFETCH(QString, expected);
        QFETCH(int, caretAfter);
        MainWindowFixture f;
        f.setText(text);
        f.setCaret(caret, anchor);
        f.host.inputAnswers << "note!";
        f.trigger("mnuComment");
        QCOMPARE(f.host.inputs.value(0).prompt, QStringLiteral("Your comment?"));
        QCOMPARE(f.host.inputs.value(0).caption, QStringLiteral("Insert a comment"));
        QCOMPARE(f.text(), expected);
        QCOMPARE(caretPosition(f), caretAfter);
        // One undo step takes it back.
        f.editor()->undo();
        QCOMPARE(f.text(), text);
    }

    void emptyAnswersChangeNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("new function") << "mnuNewFunction";
        QTest::newRow("comment") << "mnuComment";
    }

    void emptyAnswersChangeNothing()
    {
        QFETCH(QString, action);
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText("abc\r\ndef");
        f.setCaret(5, 2);
        f.host.inputAnswers << QString(); // Cancel and an empty OK both give ""
        f.trigger(action.toLatin1().constData());
        waitForKeys(f);
        QCOMPARE(f.text(), QStringLiteral("abc\r\ndef"));
        QCOMPARE(f.editor()->textCursor().position(), 5);
        QCOMPARE(f.editor()->textCursor().anchor(), 2);
    }
};

SCRIVLET_TEST_MAIN(tst_CodeInsertion)
#include "tst_codeinsertion.moc"
