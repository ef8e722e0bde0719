// The run window's tools, with programs run by plua-run: the databases
// window (records as text and hex, delete after asking, never while a
// program runs), the handheld speed (remembered, and the program really
// held to it), the keys of the buttons and the pen cursor, and what a
// screen reader reads of the handheld.

#include "palmdatabases.h"
#include "runeditor.h"
#include "runsession.h"
#include "scriptedhost.h"
#include "runwindow/databasesview.h"
#include "runwindow/handheldspeedbox.h"
#include "runwindow/handheldview.h"
#include "runwindow/runcommand.h"
#include "runwindow/runwindow.h"

#include <QAccessible>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Editor = RunEditor;

// Writes a database into `folder` the way a program does.
void writeDatabase(const QString &folder, const QString &name, const QList<QByteArray> &records)
{
    PalmDatabases databases(folder);
    const std::optional<int> handle = databases.open(name, QStringLiteral("w"));
    QVERIFY(handle);
    for (const QByteArray &bytes : records) {
        const std::optional<int> index = databases.createRecord(*handle, int(bytes.size()));
        QVERIFY(index);
        QVERIFY(databases.openRecord(*handle, *index));
        QVERIFY(databases.write(*handle, bytes));
        QVERIFY(databases.closeRecord(*handle));
    }
    QVERIFY(databases.close(*handle));
}

QStringList listed(const DatabasesView &view)
{
    QStringList names;
    const auto *list = view.findChild<QListWidget *>(QStringLiteral("databasesList"));
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

// The texts printed on the handheld's screen, as the window last heard them.
QStringList printed(const HandheldView *view)
{
    QStringList texts;
    for (const ScreenItem &item : view->screenItems())
        if (item.kind == ScreenItem::Kind::Text)
            texts.append(item.text);
    return texts;
}

QAccessibleInterface *accessibleChild(QAccessibleInterface *parent, QAccessible::Role role,
                                      const QString &name)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface *child = parent->child(i);
        if (child && child->role() == role && child->text(QAccessible::Name) == name)
            return child;
    }
    return nullptr;
}

} // namespace

class tst_RunTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QDir(RunSession::defaultDatabaseFolder()).removeRecursively(); }
    void databasesShowRecordsAsTextAndHex();
    void deletingAsksFirst_data();
    void deletingAsksFirst();
    void databasesFollowARun();
    void speedIsRememberedAndHoldsTheProgram();
    void keysPressTheButtons_data();
    void keysPressTheButtons();
    void penCursorTapsAndDrags();
    void screenReaderReadsTheHandheld();
};

void tst_RunTools::databasesShowRecordsAsTextAndHex()
{
    QTemporaryDir folder;
    writeDatabase(folder.path(), QStringLiteral("Scores"),
                  {QByteArray("Hi\x01\xFF", 4), QByteArray("caf\xE9", 4)});
    QFile junk(folder.filePath(QStringLiteral("junk.txt")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("nonsense\n");
    junk.close();
    ScriptedHostServices host(folder.path());
    DatabasesView view(host, folder.path());
    QCOMPARE(listed(view), (QStringList{QStringLiteral("junk.txt (cannot be read: line 1 is not a "
                                                       "database line)"),
                                        QStringLiteral("Scores")}));
    view.findChild<QListWidget *>()->setCurrentRow(1);
    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("databasesHeader"))->text(),
             QStringLiteral("Creator PLua, type DATA, 2 record(s)"));
    const auto *records = view.findChild<QTableWidget *>();
    QCOMPARE(records->rowCount(), 2);
    QCOMPARE(records->item(0, 0)->text(), QStringLiteral("Hi.\u00FF"));
    QCOMPARE(records->item(0, 1)->text(), QStringLiteral("48 69 01 FF"));
    QCOMPARE(records->item(1, 0)->text(), QStringLiteral("caf\u00E9"));
    QCOMPARE(records->item(1, 1)->text(), QStringLiteral("63 61 66 E9"));
    QVERIFY(host.unexpected.isEmpty());
}

void tst_RunTools::deletingAsksFirst_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QList<HostServices::Answer>>("answers");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("yes") << false << QList{HostServices::Answer::Yes} << true;
    QTest::newRow("no") << false << QList{HostServices::Answer::No} << false;
    // While a program runs nobody is asked and nothing goes.
    QTest::newRow("while running") << true << QList<HostServices::Answer>() << false;
}

void tst_RunTools::deletingAsksFirst()
{
    QFETCH(bool, running);
    QFETCH(QList<HostServices::Answer>, answers);
    QFETCH(bool, deleted);
    QTemporaryDir folder;
    writeDatabase(folder.path(), QStringLiteral("Keep"), {"k"});
    writeDatabase(folder.path(), QStringLiteral("Log"), {"x"});
    ScriptedHostServices host(folder.path());
    for (HostServices::Answer answer : answers)
        host.messageAnswers.enqueue(answer);
    DatabasesView view(host, folder.path());
    view.setProgramRunning(running);
    view.findChild<QListWidget *>()->setCurrentRow(1);
    auto *remove = view.findChild<QPushButton *>(QStringLiteral("databasesDelete"));
    QCOMPARE(remove->isEnabled(), !running);
    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("databasesNote"))->isVisibleTo(&view),
             running);
    QCOMPARE(view.deleteSelected(), deleted);
    QCOMPARE(host.messages.size(), answers.size());
    if (!answers.isEmpty()) {
        QCOMPARE(host.messages[0].text,
                 QStringLiteral("Delete the database \"Log\" from the handheld's storage? This "
                                "cannot be undone."));
        QCOMPARE(host.messages[0].buttons, HostServices::Buttons::YesNo);
    }
    PalmDatabases databases(folder.path());
    QCOMPARE(QFile::exists(databases.filePath(QStringLiteral("Log"))), !deleted);
    QVERIFY(QFile::exists(databases.filePath(QStringLiteral("Keep"))));
    QCOMPARE(listed(view), deleted ? QStringList{QStringLiteral("Keep")}
                                   : (QStringList{QStringLiteral("Keep"), QStringLiteral("Log")}));
    QVERIFY(host.unexpected.isEmpty());
}

// Opened before the run, the window shows what the program writes and
// allows deleting once it has ended.
void tst_RunTools::databasesFollowARun()
{
    Editor editor;
    RunWindow *window = editor.run(QString());
    QTRY_VERIFY(!window->isRunning());
    DatabasesView *view = window->showDatabases();
    QCOMPARE(listed(*view), QStringList());
    auto *remove = view->findChild<QPushButton *>(QStringLiteral("databasesDelete"));
    window = editor.run("f = opendb(\"Log\", \"w\")\nn = createrec(f, 2)\nopenrec(f, n)\n"
                        "write(f, \"ok\")\ncloserec(f)\npevent()\n");
    QTRY_COMPARE(listed(*view), QStringList{QStringLiteral("Log")});
    QTRY_COMPARE(view->findChild<QTableWidget *>()->rowCount(), 1);
    QCOMPARE(view->findChild<QTableWidget *>()->item(0, 1)->text(), QStringLiteral("6F 6B"));
    QVERIFY(window->isRunning());
    QVERIFY(!remove->isEnabled());
    QVERIFY(!view->deleteSelected());
    window->stop();
    QTRY_VERIFY(remove->isEnabled());
    editor.host.messageAnswers.enqueue(HostServices::Answer::Yes);
    remove->click();
    QCOMPARE(listed(*view), QStringList());
    QVERIFY(editor.host.unexpected.isEmpty());
}

void tst_RunTools::speedIsRememberedAndHoldsTheProgram()
{
    Editor editor;
    editor.host.saveSetting(QStringLiteral("Run"), QStringLiteral("Speed"),
                            QStringLiteral("dragonball16"));
    // Half a second of the 16 MHz handheld: four instructions an iteration.
    const QString program = QStringLiteral("x = 0\nfor i = 1, 6750 do x = x + 1 end\n"
                                           "pbox(0, 0, 4, 4)\npevent()\n");
    QElapsedTimer timer;
    timer.start();
    RunWindow *window = editor.run(program);
    QCOMPARE(window->speedBox()->currentData().toString(), QStringLiteral("dragonball16"));
    QTRY_COMPARE(window->view()->frame().pixelColor(1, 1), QColor(Qt::black));
    const qint64 held = timer.elapsed();
    QVERIFY2(held >= 450, qPrintable(QString::number(held)));

    // Full speed, chosen in the window, is remembered and runs at once.
    emit window->speedBox()->activated(0);
    QCOMPARE(editor.host.readSetting(QStringLiteral("Run"), QStringLiteral("Speed"),
                                     QStringLiteral("unset")),
             QString());
    timer.start();
    window = editor.run(program);
    QTRY_COMPARE(window->view()->frame().pixelColor(1, 1), QColor(Qt::black));
    QVERIFY2(timer.elapsed() < held, qPrintable(QString::number(timer.elapsed())));
    window->stop();

    // An unknown stored speed is full speed.
    editor.host.saveSetting(QStringLiteral("Run"), QStringLiteral("Speed"),
                            QStringLiteral("pentium"));
    QCOMPARE(HandheldSpeedBox(editor.host).rate(), 0.0);
}

void tst_RunTools::keysPressTheButtons_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("code");
    QTest::newRow("F1 Date") << int(Qt::Key_F1) << "516";
    QTest::newRow("F2 Addr") << int(Qt::Key_F2) << "517";
    QTest::newRow("F3 To Do") << int(Qt::Key_F3) << "518";
    QTest::newRow("F4 Memo") << int(Qt::Key_F4) << "519";
    QTest::newRow("F10 Menu, the program has none") << int(Qt::Key_F10) << "261";
    QTest::newRow("F11 Calc") << int(Qt::Key_F11) << "267";
    QTest::newRow("F12 Find") << int(Qt::Key_F12) << "266";
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << "11";
    QTest::newRow("Down") << int(Qt::Key_Down) << "12";
}

void tst_RunTools::keysPressTheButtons()
{
    QFETCH(int, key);
    QFETCH(QString, code);
    Editor editor;
    RunWindow *window = editor.run("print(\"ready\")\nwhile 1 do\nlocal e, k = pevent()\n"
                                   "if e == keyDown then pclear() print(k) end\nend\n");
    QTRY_COMPARE(printed(window->view()), QStringList{QStringLiteral("ready")});
    QTest::keyClick(window->view(), Qt::Key(key));
    QTRY_COMPARE(printed(window->view()), QStringList{code});
    window->stop();
}

void tst_RunTools::penCursorTapsAndDrags()
{
    Editor editor;
    RunWindow *window = editor.run("print(\"ready\")\nwhile 1 do\nlocal e, x, y = pevent()\n"
                                   "if e == penDown then pclear() end\n"
                                   "if e == penDown or e == penMove or e == penUp then\n"
                                   "print(e .. \" \" .. x .. \" \" .. y) end\nend\n");
    HandheldView *view = window->view();
    QTRY_COMPARE(printed(view), QStringList{QStringLiteral("ready")});
    QCOMPARE(view->penCursorShown(), false);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(view->penCursor(), QPoint(83, 88));
    QVERIFY(view->penCursorShown());
    // Insert held: down, a move, up where the cursor then is.
    QTest::keyPress(view, Qt::Key_Insert);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyRelease(view, Qt::Key_Insert);
    QTRY_COMPARE(printed(view), (QStringList{"1 83 88", "3 82 88", "2 82 88"}));
    // Shift+Space is a tap too; the cursor stays inside the screen.
    for (int i = 0; i < 25; ++i)
        QTest::keyClick(view, Qt::Key_Up, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Space, Qt::ShiftModifier);
    QTRY_COMPARE(printed(view), (QStringList{"1 82 0", "2 82 0"}));
    window->stop();
}

void tst_RunTools::screenReaderReadsTheHandheld()
{
    Editor editor;
    RunWindow *window = editor.run(
        "ptitle(\"Game\")\nprint(\"Score 10\")\nb = pbutton(\"OK\")\nc = pcheckbox(\"Sound\")\n"
        "psetstate(c, 1)\npnl()\nf = pfield(1, 8, 10, \"abc\")\npnl()\n"
        "l = plist(2, 6, {\"one\", \"two\"})\n"
        "while 1 do\nlocal e, id = pevent()\n"
        "if e == ctlSelect and id == b then pmoveto(0, 140) print(\"pressed\") end\nend\n");
    HandheldView *view = window->view();
    QTRY_VERIFY(view->screenItems().size() == 6);
    QAccessibleInterface *handheld = QAccessible::queryAccessibleInterface(view);
    QVERIFY(handheld);
    QCOMPARE(handheld->text(QAccessible::Name), QStringLiteral("Handheld"));
    QVERIFY(accessibleChild(handheld, QAccessible::Heading, QStringLiteral("Game")));
    QVERIFY(accessibleChild(handheld, QAccessible::StaticText, QStringLiteral("Score 10")));
    QAccessibleInterface *sound =
        accessibleChild(handheld, QAccessible::CheckBox, QStringLiteral("Sound"));
    QVERIFY(sound);
    QVERIFY(sound->state().checked);
    QAccessibleInterface *field =
        accessibleChild(handheld, QAccessible::EditableText, QStringLiteral("Field"));
    QVERIFY(field);
    QCOMPARE(field->text(QAccessible::Value), QStringLiteral("abc"));
    QVERIFY(field->state().editable);
    QAccessibleInterface *list =
        accessibleChild(handheld, QAccessible::List, QStringLiteral("List"));
    QVERIFY(list);
    QCOMPARE(list->text(QAccessible::Description), QStringLiteral("one, two"));
    // Each item lies on the screen where it is drawn.
    const QRect screen(view->mapToGlobal(view->screenRect().topLeft()), view->screenRect().size());
    QVERIFY(screen.contains(sound->rect()));
    QCOMPARE(handheld->childAt(sound->rect().center().x(), sound->rect().center().y()), sound);
    // The hard buttons name their keys; pressing a control taps it.
    QAccessibleInterface *date =
        accessibleChild(handheld, QAccessible::Button, QStringLiteral("Date"));
    QVERIFY(date);
    QCOMPARE(
        date->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
        QStringList{QStringLiteral("F1")});
    QAccessibleInterface *ok = accessibleChild(handheld, QAccessible::Button, QStringLiteral("OK"));
    QVERIFY(ok);
    QCOMPARE(handheld->indexOfChild(ok), 2);
    ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(printed(view),
                 (QStringList{QStringLiteral("Score 10"), QStringLiteral("pressed")}));
    QVERIFY(accessibleChild(handheld, QAccessible::StaticText, QStringLiteral("pressed")));
    window->stop();
}

QTEST_MAIN(tst_RunTools)
#include "tst_runtools.moc"
