#include "mainwindowfixture.h"
#include "testenv.h"

#include "app/editorconveniences.h"
#include "app/finddialog.h"
#include "document/findreplace.h"
#include "document/gotoline.h"
#include "document/recentfiles.h"
#include "platform/keystrokequeue.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTextDocument>
#include <QToolTip>
#include <QUrl>

#include <sys/stat.h>

using Answer = HostServices::Answer;
using FindReplace::Direction;

// The conveniences beside the window's own commands: the logic on its own,
// then each one through the main window with scripted dialogs and real files.
class tst_Conveniences : public QObject
{
    Q_OBJECT

    static EditorConveniences &conveniences(const MainWindowFixture &f)
    {
        return *f.window->findChild<EditorConveniences *>();
    }

    static void clearSettings()
    {
        QSettings settings(QStringLiteral("Scrivlet IDE"), QStringLiteral("Scrivlet IDE"));
        settings.clear();
        settings.sync();
    }

    // Drops `urls` on `target` as a file manager would; whether it was taken.
    static bool drop(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }

private slots:
    void init() { clearSettings(); }

    void find_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("start"); // -1: not found
        QTest::addColumn<bool>("wrapped");
        // The text: "alpha Beta alpha" (0-15), a line break, "beta" (17-20).
        // clang-format off
        QTest::newRow("from the top") << 0 << 0 << "alpha" << false << false << 0 << false;
        QTest::newRow("past the selected match") << 0 << 5 << "alpha" << false << false << 11 << false;
        QTest::newRow("wraps to the top") << 12 << 12 << "alpha" << false << false << 0 << true;
        QTest::newRow("any case") << 0 << 0 << "beta" << false << false << 6 << false;
        QTest::newRow("matching case") << 0 << 0 << "beta" << false << true << 17 << false;
        QTest::newRow("matching case wraps") << 18 << 18 << "Beta" << false << true << 6 << true;
        QTest::newRow("only match selected") << 6 << 10 << "Beta" << false << true << 6 << true;
        QTest::newRow("backward") << 21 << 21 << "alpha" << true << false << 11 << false;
        QTest::newRow("backward past the selection") << 11 << 16 << "alpha" << true << false << 0 << false;
        QTest::newRow("backward wraps to the end") << 0 << 0 << "beta" << true << true << 17 << true;
        QTest::newRow("missing") << 0 << 0 << "gamma" << false << false << -1 << false;
        QTest::newRow("empty term") << 0 << 0 << "" << false << false << -1 << false;
        // clang-format on
    }

    void find()
    {
        QFETCH(int, anchor);
        QFETCH(int, caret);
        QFETCH(QString, term);
        QFETCH(bool, backward);
        QFETCH(bool, matchCase);
        QFETCH(int, start);
        QFETCH(bool, wrapped);
        QTextDocument document(QStringLiteral("alpha Beta alpha\nbeta"));
        QTextCursor from(&document);
        from.setPosition(anchor);
        from.setPosition(caret, QTextCursor::KeepAnchor);
        const FindReplace::Match match = FindReplace::find(
            document, from, term, backward ? Direction::Backward : Direction::Forward, matchCase);
        QCOMPARE(match.found(), start >= 0);
        if (start >= 0) {
            QCOMPARE(match.cursor.selectionStart(), start);
            QCOMPARE(match.cursor.selectedText().size(), term.size());
            QCOMPARE(match.wrapped, wrapped);
        }
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        // clang-format off
        QTest::newRow("every one") << "a b a" << "a" << "x" << false << "x b x" << 2;
        QTest::newRow("any case") << "Lua lua LUA" << "lua" << "Plua" << false << "Plua Plua Plua" << 3;
        QTest::newRow("matching case") << "Lua lua LUA" << "lua" << "Plua" << true << "Lua Plua LUA" << 1;
        QTest::newRow("replacement holds the term") << "a a" << "a" << "aa" << false << "aa aa" << 2;
        QTest::newRow("on every line") << "x\nx\nx" << "x" << "y" << false << "y\ny\ny" << 3;
        QTest::newRow("to nothing") << "a-b-c" << "-" << "" << false << "abc" << 2;
        QTest::newRow("none there") << "abc" << "z" << "y" << false << "abc" << 0;
        // clang-format on
    }

    // However many replacements, one Undo brings the text back and one Redo
    // does them again.
    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QFETCH(QString, replacement);
        QFETCH(bool, matchCase);
        QFETCH(QString, expected);
        QFETCH(int, count);
        QTextDocument document(text);
        document.clearUndoRedoStacks();
        QCOMPARE(FindReplace::replaceAll(document, term, replacement, matchCase), count);
        QCOMPARE(document.toPlainText(), expected);
        QCOMPARE(document.isUndoAvailable(), count > 0);
        if (count == 0)
            return;
        document.undo();
        QCOMPARE(document.toPlainText(), text);
        QVERIFY(!document.isUndoAvailable());
        document.redo();
        QCOMPARE(document.toPlainText(), expected);
    }

    // Whole words and regular expressions, in Replace All as in the search.
    void replaceAllWithOptions_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        const QString text = QStringLiteral("count = counter + Count\nrecount(count)");
        // clang-format off
        QTest::newRow("part of words too") << "count" << "taps" << false << false << "taps = tapser + taps\nretaps(taps)" << 5;
        QTest::newRow("whole words") << "count" << "taps" << true << false << "taps = counter + taps\nrecount(taps)" << 3;
        QTest::newRow("expression") << "c(o)u?nt\\b" << "[\\1]" << false << false << text << 0;
        QTest::newRow("expression with a group") << "c(o)u?nt\\b" << "[\\1]" << false << true << "[o] = counter + [o]\nre[o]([o])" << 4;
        QTest::newRow("expression, whole words") << "c\\w+" << "x" << true << true << "x = x + x\nrecount(x)" << 4;
        QTest::newRow("empty matches passed over") << "z*" << "!" << false << true << text << 0;
        QTest::newRow("not an expression") << "(count" << "x" << false << true << text << 0;
        // clang-format on
    }

    void replaceAllWithOptions()
    {
        QFETCH(QString, term);
        QFETCH(QString, replacement);
        QFETCH(bool, words);
        QFETCH(bool, regex);
        QFETCH(QString, expected);
        QFETCH(int, count);
        QTextDocument document(QStringLiteral("count = counter + Count\nrecount(count)"));
        QCOMPARE(FindReplace::replaceAll(document, term, replacement, {false, words, regex}),
                 count);
        QCOMPARE(document.toPlainText(), expected);
        QCOMPARE(FindReplace::termError(term, {false, words, regex}).isEmpty(),
                 term != QLatin1String("(count") || !regex);
    }

    // The window takes the word at the caret, keeps off the match it finds
    // and keeps its width for a long term it cannot find.
    void findWindowKeepsOutOfTheWay()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.setText(QStringLiteral("local total = 0\ntotal = total + 1\n"));
        f.setCaret(8);
        f.trigger("mnuEditFind");
        FindDialog *dialog = conveniences(f).findDialog();
        auto *term = dialog->findChild<QLineEdit *>(QStringLiteral("txtFind"));
        QCOMPARE(term->text(), QStringLiteral("total"));
        // Put the window right over the next match, then find it.
        QTextCursor next(f.editor()->document()->findBlockByNumber(1));
        const QPoint matchAt =
            f.editor()->viewport()->mapToGlobal(f.editor()->cursorRect(next).center());
        dialog->move(matchAt - QPoint(10, 10));
        dialog->findNext();
        QCOMPARE(f.editor()->textCursor().blockNumber(), 1);
        QVERIFY(!dialog->frameGeometry().contains(
            f.editor()->viewport()->mapToGlobal(f.editor()->cursorRect().center())));

        const int width = dialog->width();
        term->setText(QString(500, u'q'));
        dialog->findNext();
        QVERIFY(dialog->note().startsWith(QStringLiteral("Cannot find \"qqq")));
        QVERIFY(dialog->note().size() < 80);
        QCoreApplication::processEvents();
        QCOMPARE(dialog->width(), width);
    }

    void goToLineParse_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("line"); // 0: no such line
        QTest::newRow("first") << "1" << 3 << 1;
        QTest::newRow("last") << "3" << 3 << 3;
        QTest::newRow("blanks around") << " 2 " << 3 << 2;
        QTest::newRow("past the end") << "4" << 3 << 0;
        QTest::newRow("zero") << "0" << 3 << 0;
        QTest::newRow("negative") << "-1" << 3 << 0;
        QTest::newRow("not a number") << "two" << 3 << 0;
        QTest::newRow("fraction") << "2.5" << 3 << 0;
        QTest::newRow("empty") << "" << 3 << 0;
    }

    void goToLineParse()
    {
        QFETCH(QString, typed);
        QFETCH(int, lines);
        QFETCH(int, line);
        QCOMPARE(GoToLine::parse(typed, lines), line);
    }

    void goToLineInTheWindow_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("complaint");
        QTest::newRow("a line") << "4"
                                << "Line 4 of 5" << false;
        QTest::newRow("the last") << "5"
                                  << "Line 5 of 5" << false;
        QTest::newRow("past the end, then cancelled") << "6"
                                                      << "Line 2 of 5" << true;
        QTest::newRow("words, then a line") << "end"
                                            << "Line 3 of 5" << true;
        QTest::newRow("cancelled") << ""
                                   << "Line 2 of 5" << false;
    }

    void goToLineInTheWindow()
    {
        QFETCH(QString, typed);
        QFETCH(QString, status);
        QFETCH(bool, complaint);
        MainWindowFixture f;
        f.setText(QStringLiteral("a\r\nb\r\nc\r\nd\r\ne"));
        f.setCaret(3);
        f.host.inputAnswers << typed;
        // After a complaint the question comes again.
        if (complaint) {
            f.host.messageAnswers << Answer::Ok;
            f.host.inputAnswers << (QTest::currentDataTag() == QLatin1String("words, then a line")
                                        ? QStringLiteral("3")
                                        : QString());
        }
        f.trigger("mnuEditGoToLine");
        QCOMPARE(f.host.inputs.size(), complaint ? 2 : 1);
        QCOMPARE(f.host.inputs.value(0).caption, QStringLiteral("Go To Line"));
        QCOMPARE(f.host.inputs.value(0).prompt, QStringLiteral("Line number (1 to 5):"));
        QCOMPARE(f.status(), status);
        QCOMPARE(f.host.messages.size(), complaint ? 1 : 0);
        if (complaint)
            QVERIFY(f.host.messages[0].text.contains(QStringLiteral("from 1 to 5")));
        QVERIFY(f.host.unexpected.isEmpty());
    }

    void recentList_data()
    {
        QTest::addColumn<QStringList>("steps"); // +name adds, -name removes
        QTest::addColumn<QStringList>("expected");
        QStringList ten;
        for (int i = 1; i <= 10; ++i)
            ten << QStringLiteral("+f%1").arg(i);
        QTest::newRow("newest first")
            << QStringList{"+a", "+b", "+c"} << QStringList{"c", "b", "a"};
        QTest::newRow("again moves up") << QStringList{"+a", "+b", "+a"} << QStringList{"a", "b"};
        QTest::newRow("same file, other spelling")
            << QStringList{"+a", "+sub/../a", "+./b"} << QStringList{"b", "a"};
        QTest::newRow("oldest drop off")
            << ten << QStringList{"f10", "f9", "f8", "f7", "f6", "f5", "f4", "f3"};
        QTest::newRow("removed") << QStringList{"+a", "+b", "-a", "-z"} << QStringList{"b"};
    }

    // The list keeps its order through the settings store, as the next run
    // reads it.
    void recentList()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        ScriptedHostServices host(dir.path());
        RecentFiles recent;
        for (const QString &step : steps) {
            const QString path = dir.filePath(step.mid(1));
            if (step.startsWith(u'+'))
                recent.add(path);
            else
                recent.remove(path);
        }
        QStringList names;
        for (const QString &path : recent.files())
            names << QDir(dir.path()).relativeFilePath(path);
        QCOMPARE(names, expected);
        recent.save(host);
        QCOMPARE(RecentFiles::load(host).files(), recent.files());
        // A shorter list saved over a longer one leaves none of the old behind.
        RecentFiles(QStringList{dir.filePath(QStringLiteral("only"))}).save(host);
        QCOMPARE(RecentFiles::load(host).files(),
                 QStringList{dir.filePath(QStringLiteral("only"))});
    }

    // Open, the command line and the list itself put a file first; a file
    // that has gone is named, taken off, and costs the text nothing.
    void recentFilesInTheWindow()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.lua"));
        const QString second = dir.filePath(QStringLiteral("second.lua"));
        MainWindowFixture::writeFile(first, "print(1)\r\n");
        MainWindowFixture::writeFile(second, "print(2)\r\n");
        {
            MainWindowFixture f(first);
            f.host.messageAnswers << Answer::No;
            f.host.fileAnswers << second;
            f.trigger("mnuFileOpen");
            QCOMPARE(conveniences(f).recentFiles().files(), (QStringList{second, first}));
            auto *menu = f.window->findChild<QMenu *>(QStringLiteral("mnuRecentFiles"));
            QVERIFY(menu);
            QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("&1 ") + second);
            QCOMPARE(menu->actions().value(1)->text(), QStringLiteral("&2 ") + first);
        }
        QVERIFY(QFile::remove(second));
        MainWindowFixture f;
        QCOMPARE(conveniences(f).recentFiles().files(), (QStringList{second, first}));
        f.setText(QStringLiteral("unsaved"));
        f.host.messageAnswers << Answer::Ok;
        f.trigger("mnuRecentFile1");
        QTRY_COMPARE(f.host.messages.size(), 1);
        QVERIFY(f.host.messages[0].text.contains(second));
        QVERIFY(f.host.messages[0].text.contains(QStringLiteral("no longer exists")));
        QCOMPARE(f.text(), QStringLiteral("unsaved"));
        QCOMPARE(conveniences(f).recentFiles().files(), QStringList{first});
        QCOMPARE(RecentFiles::load(f.host).files(), QStringList{first});

        // The one left opens with Open's question first; the text then saves there.
        f.host.messageAnswers << Answer::No;
        f.trigger("mnuRecentFile1");
        QTRY_COMPARE(f.text(), QStringLiteral("print(1)"));
        QCOMPARE(f.host.messages.last().text,
                 QStringLiteral("Do you wish to save the current project?"));
        f.editor()->moveCursor(QTextCursor::End);
        f.editor()->insertPlainText(QStringLiteral("\nprint(3)"));
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(first), QByteArray("print(1)\r\nprint(3)\r\n"));
        QVERIFY(f.host.unexpected.isEmpty());
    }

    void dropOpensTheFile_data()
    {
        QTest::addColumn<QString>("target"); // editor, help pane or list
        QTest::addColumn<Answer>("answer");  // to the save question
        QTest::addColumn<bool>("opened");
        QTest::newRow("on the editor") << "editor" << Answer::No << true;
        QTest::newRow("on the help pane") << "help" << Answer::No << true;
        QTest::newRow("on the function list") << "list" << Answer::No << true;
        QTest::newRow("question cancelled") << "editor" << Answer::Cancel << false;
    }

    // A dropped file opens as Open would open it, and its address never goes
    // into the text.
    void dropOpensTheFile()
    {
        QFETCH(QString, target);
        QFETCH(Answer, answer);
        QFETCH(bool, opened);
        MainWindowFixture f;
        const QString file = f.path(QStringLiteral("dropped file.lua"));
        MainWindowFixture::writeFile(file, "-- dropped\r\nprint(1)\r\n");
        QWidget *widget = target == QLatin1String("editor") ? f.editor()->viewport()
                          : target == QLatin1String("help") ? f.window->helpPane()->viewport()
                                                            : static_cast<QWidget *>(f.window);
        const QString before = f.text();
        f.host.messageAnswers << answer;
        QVERIFY(drop(widget, {QUrl::fromLocalFile(file)}));
        QTRY_COMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text,
                 QStringLiteral("Do you wish to save the current project?"));
        QCOMPARE(f.text(), opened ? QStringLiteral("-- dropped\r\nprint(1)") : before);
        QCOMPARE(f.window->document().fileName(), opened ? file : QString());
        QVERIFY(!f.window->helpPane()->toPlainText().contains(QStringLiteral("file:")));
        if (!opened)
            return;
        f.editor()->moveCursor(QTextCursor::End);
        f.editor()->insertPlainText(QStringLiteral("x"));
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(file), QByteArray("-- dropped\r\nprint(1)x\r\n"));
        QCOMPARE(conveniences(f).recentFiles().files().value(0), file);
    }

    // A folder cannot be opened: the drop is refused and nothing is asked.
    void dropOfAFolderIsRefused()
    {
        MainWindowFixture f;
        const QString before = f.text();
        QVERIFY(!drop(f.editor()->viewport(), {QUrl::fromLocalFile(f.dir.path())}));
        QCoreApplication::processEvents();
        QCOMPARE(f.text(), before);
        QVERIFY(f.host.messages.isEmpty());
    }

    void catalogueEnterInsertsAsDoubleClick_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    void catalogueEnterInsertsAsDoubleClick()
    {
        QFETCH(int, key);
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(QStringLiteral("abc\r\ndef"));
        f.setCaret(1);
        QListWidget *list = f.window->catalogueList();
        list->setCurrentItem(
            list->findItems(QStringLiteral("pclear()"), Qt::MatchExactly).value(0));
        list->setFocus();
        QTest::keyClick(list, Qt::Key(key));
        QTRY_VERIFY_WITH_TIMEOUT(f.host.keystrokes()->isIdle(), 5000);
        QCoreApplication::processEvents();
        QCOMPARE(f.text(), QStringLiteral("abc\r\npclear()\r\ndef"));
        QVERIFY(f.editor()->hasFocus());
    }

    // The size follows the keys' actions, stays within its bounds and is the
    // one the next window starts with.
    // A Recent Files entry whose name now holds a folder or a pipe says what
    // it has become; a long path is shortened in the middle.
    void recentEntriesThatChanged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder") << "folder"
                                << "is now a folder, not a file";
        QTest::newRow("pipe") << "pipe"
                              << "is no longer a regular file";
        QTest::newRow("gone") << "gone"
                              << "no longer exists";
    }

    void recentEntriesThatChanged()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString(120, u'd') + QStringLiteral("/prog.lua"));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        MainWindowFixture::writeFile(path, "print(1)\r\n");
        {
            MainWindowFixture f(path);
            f.window->show();
            QTRY_COMPARE(conveniences(f).recentFiles().files(), QStringList{path});
        }
        QVERIFY(QFile::remove(path));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (kind == QLatin1String("pipe"))
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        MainWindowFixture f;
        auto *menu = f.window->findChild<QMenu *>(QStringLiteral("mnuRecentFiles"));
        QAction *entry = menu->actions().value(0);
        QVERIFY(entry->text().size() < 90);
        QVERIFY(entry->text().endsWith(QStringLiteral("/prog.lua")));
        QCOMPARE(entry->toolTip(), path);
        f.host.messageAnswers << Answer::Ok;
        f.trigger("mnuRecentFile1");
        QTRY_COMPARE(f.host.messages.size(), 1);
        QVERIFY2(f.host.messages[0].text.contains(message), qPrintable(f.host.messages[0].text));
        QVERIFY(conveniences(f).recentFiles().files().isEmpty());
    }

    // F1 shows the catalogue's help on the function at the caret.
    void f1ShowsTheHelpAtTheCaret()
    {
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(QStringLiteral("x = 1\npbox(1, 2, 3, 4)\n"));
        f.setCaret(8);
        f.editor()->setFocus();
        QTest::keyClick(f.editor(), Qt::Key_F1);
        QVERIFY(
            f.window->catalogueList()->currentItem()->text().startsWith(QStringLiteral("pbox(")));
        QVERIFY(f.window->helpPane()->toPlainText().startsWith(QStringLiteral("pbox(")));
        QVERIFY(f.editor()->hasFocus());
    }

    // On a very long line the caret stops blinking (each blink redrew the
    // line) but stays shown; elsewhere, and for other widgets, the desktop's
    // flash time holds.
    void caretOnALongLineIsSteady()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        const int flashTime = QApplication::cursorFlashTime();
        QVERIFY(flashTime > 0);
        f.setText(QStringLiteral("short\n") +
                  QString(EditorTextEdit::SteadyCaretLength + 10, u'x'));
        f.editor()->setFocus();
        f.setCaret(7);
        QVERIFY(f.editor()->caretIsSteady());
        QCOMPARE(QApplication::cursorFlashTime(), 0);
        // Shown in every look, over more than a blink's time.
        const QColor base = f.editor()->palette().color(QPalette::Base);
        for (int look = 0; look < 4; ++look) {
            QTest::qWait(flashTime / 3);
            const QRect caret = f.editor()->cursorRect();
            const QImage shot = f.editor()->viewport()->grab(caret.adjusted(-1, 0, 1, 0)).toImage();
            bool drawn = false;
            for (int x = 0; x < shot.width(); ++x)
                drawn = drawn || QColor(shot.pixel(x, shot.height() / 2)).lightness() <
                                     base.lightness() - 100;
            QVERIFY2(drawn, qPrintable(QString::number(look)));
        }
        f.setCaret(2);
        QVERIFY(!f.editor()->caretIsSteady());
        QCOMPARE(QApplication::cursorFlashTime(), flashTime);
        f.setCaret(9);
        f.window->catalogueList()->setFocus();
        QTRY_VERIFY(!f.editor()->hasFocus());
        QCOMPARE(QApplication::cursorFlashTime(), flashTime);
    }

    // Zoom sizes the text of a file opened at start-up, not only the line
    // numbers, and the numbers stay within their lines.
    void zoomScalesAnOpenedFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("big.lua"));
        MainWindowFixture::writeFile(file, "print(1)\r\nprint(2)\r\nprint(3)\r\n");
        MainWindowFixture f(file);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QTRY_VERIFY(f.editor()->toPlainText().contains(QStringLiteral("print(3)")));
        f.trigger("mnuEditZoomReset");
        const int before = f.editor()->cursorRect().height();
        for (int i = 0; i < 8; ++i)
            f.trigger("mnuEditZoomIn");
        QCoreApplication::processEvents();
        QVERIFY2(
            f.editor()->cursorRect().height() > before * 3 / 2,
            qPrintable(
                QStringLiteral("%1 -> %2").arg(before).arg(f.editor()->cursorRect().height())));
        auto *margin = f.editor()->findChild<QWidget *>(QStringLiteral("lineNumberMargin"));
        QVERIFY(margin);
        QVERIFY(QFontMetrics(margin->font()).height() <= f.editor()->cursorRect().height() + 2);
        f.trigger("mnuEditZoomReset");
    }

    void zoomIsRemembered()
    {
        qreal base = 0;
        {
            MainWindowFixture f;
            base = f.editor()->font().pointSizeF();
            f.trigger("mnuEditZoomIn");
            f.trigger("mnuEditZoomIn");
            f.trigger("mnuEditZoomIn");
            f.trigger("mnuEditZoomOut");
            QCOMPARE(f.editor()->font().pointSizeF(), base + 2);
        }
        {
            MainWindowFixture f;
            QCOMPARE(f.editor()->font().pointSizeF(), base + 2);
            for (int i = 0; i < 50; ++i)
                f.trigger("mnuEditZoomOut");
            QCOMPARE(conveniences(f).zoom(), EditorConveniences::MinZoom);
            QVERIFY(f.editor()->font().pointSizeF() >= 4);
        }
        {
            MainWindowFixture f;
            QCOMPARE(conveniences(f).zoom(), EditorConveniences::MinZoom);
            f.trigger("mnuEditZoomReset");
            QCOMPARE(f.editor()->font().pointSizeF(), base);
        }
        MainWindowFixture f;
        QCOMPARE(f.editor()->font().pointSizeF(), base);
    }

    // Find, find next and previous, replace and replace all through the window.
    void findAndReplaceInTheWindow()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("x = 1\r\nX = 2\r\nx = 3"));
        f.editor()->document()->clearUndoRedoStacks();
        f.setCaret(0);
        FindDialog *dialog = conveniences(f).findDialog();
        // F3 without a term opens the window instead of searching.
        f.trigger("mnuEditFindNext");
        QVERIFY(dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("txtFind"))->setText(QStringLiteral("x ="));
        f.trigger("mnuEditFindNext");
        QCOMPARE(f.editor()->textCursor().selectionStart(), 0);
        f.trigger("mnuEditFindNext");
        QCOMPARE(f.status(), QStringLiteral("Line 2 of 3"));
        dialog->findChild<QCheckBox *>(QStringLiteral("chkMatchCase"))->setChecked(true);
        f.trigger("mnuEditFindNext");
        QCOMPARE(f.status(), QStringLiteral("Line 3 of 3"));
        QVERIFY(dialog->note().isEmpty());
        f.trigger("mnuEditFindNext");
        QCOMPARE(f.status(), QStringLiteral("Line 1 of 3"));
        QVERIFY(dialog->note().contains(QStringLiteral("went on from the top")));
        f.trigger("mnuEditFindPrevious");
        QCOMPARE(f.status(), QStringLiteral("Line 3 of 3"));
        QVERIFY(dialog->note().contains(QStringLiteral("went on from the end")));

        // Replace takes the selected match and moves on to the next.
        dialog->findChild<QLineEdit *>(QStringLiteral("txtReplace"))
            ->setText(QStringLiteral("y ="));
        dialog->replace();
        QCOMPARE(f.text(), QStringLiteral("x = 1\r\nX = 2\r\ny = 3"));
        QCOMPARE(f.status(), QStringLiteral("Line 1 of 3"));
        dialog->findChild<QCheckBox *>(QStringLiteral("chkMatchCase"))->setChecked(false);
        dialog->replaceAll();
        QCOMPARE(f.text(), QStringLiteral("y = 1\r\ny = 2\r\ny = 3"));
        QCOMPARE(dialog->note(), QStringLiteral("Replaced 2 occurrences."));
        f.trigger("mnuEditUndo");
        QCOMPARE(f.text(), QStringLiteral("x = 1\r\nX = 2\r\ny = 3"));
        f.trigger("mnuEditUndo");
        QCOMPARE(f.text(), QStringLiteral("x = 1\r\nX = 2\r\nx = 3"));
        f.trigger("mnuEditRedo");
        QCOMPARE(f.text(), QStringLiteral("x = 1\r\nX = 2\r\ny = 3"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtFind"))->setText(QStringLiteral("zz"));
        dialog->findNext();
        QCOMPARE(dialog->note(), QStringLiteral("Cannot find \"zz\"."));
        f.trigger("mnuEditSelectAll");
        QCOMPARE(f.editor()->textCursor().selectedText().size(),
                 f.editor()->document()->characterCount() - 1);
    }

    void exportsProposeTheProjectFolder_data()
    {
        QTest::addColumn<QString>("project"); // the project's file, "" for none
        QTest::addColumn<QString>("last");    // the file chosen last, "" for none
        QTest::addColumn<QString>("prc");     // "~" is the home folder
        QTest::addColumn<QString>("txt");
        QTest::newRow("project file") << "proj/a.lua"
                                      << ""
                                      << "proj/myproject.prc"
                                      << "proj/";
        QTest::newRow("name carried into the project folder") << "proj/a.lua"
                                                              << "other/b.prc"
                                                              << "proj/myproject.prc"
                                                              << "proj/b.prc";
        QTest::newRow("no project: beside the last choice") << ""
                                                            << "other/b.lua"
                                                            << "other/myproject.prc"
                                                            << "other/b.lua";
        QTest::newRow("nothing yet") << ""
                                     << ""
                                     << "~/myproject.prc"
                                     << "~/";
    }

    void exportsProposeTheProjectFolder()
    {
        QFETCH(QString, project);
        QFETCH(QString, last);
        QFETCH(QString, prc);
        QFETCH(QString, txt);
        MainWindowFixture f;
        auto place = [&](const QString &name) {
            if (name.startsWith(u'~'))
                return QDir::homePath() + name.mid(1);
            return name.isEmpty() ? name : f.dir.filePath(name);
        };
        if (!project.isEmpty())
            f.window->document().setFileName(place(project));
        if (!last.isEmpty()) {
            f.host.fileAnswers << place(last);
            f.host.showOpen(QStringLiteral("Open"), QString());
        }
        f.host.fileAnswers << QString() << QString();
        f.trigger("mnutxtExport");
        f.trigger("mnuPRCexport");
        const int first = last.isEmpty() ? 0 : 1;
        QCOMPARE(f.host.fileDialogs.value(first).initialName, place(txt));
        QCOMPARE(f.host.fileDialogs.value(first + 1).initialName, place(prc));
    }

    // Ctrl+Q asks the close question as File > Exit does; Cancel keeps the window.
    void quitKeyRunsTheCloseSequence()
    {
        MainWindowFixture f;
        f.window->document().setFileName(f.path(QStringLiteral("quit.lua")));
        f.setText(QStringLiteral("bye"));
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.host.messageAnswers << Answer::Cancel << Answer::Yes;
        QSignalSpy destroyed(f.window, &QObject::destroyed);
        f.trigger("actQuit");
        QVERIFY(f.window->isVisible());
        f.trigger("actQuit");
        QCOMPARE(f.host.messages.size(), 2);
        QCOMPARE(f.host.messages[1].text,
                 QStringLiteral("Do you wish to save the current PLua project?"));
        QCOMPARE(MainWindowFixture::readFile(f.path(QStringLiteral("quit.lua"))),
                 QByteArray("bye\r\n"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(destroyed.size(), 1);
    }

    // Every key the window answers to belongs to one action only, and the
    // window's own items keep theirs.
    void noKeyIsTakenTwice()
    {
        MainWindowFixture f;
        QHash<QString, QString> owner;
        for (QAction *action : f.window->actions()) {
            for (const QKeySequence &key : action->shortcuts()) {
                const QString text = key.toString();
                QVERIFY2(!owner.contains(text),
                         qPrintable(text + u' ' + owner.value(text) + u' ' + action->objectName()));
                owner.insert(text, action->objectName());
            }
        }
        QCOMPARE(owner.value(QStringLiteral("Ctrl+F")), QStringLiteral("mnuNewFunction"));
        QCOMPARE(owner.value(QStringLiteral("Ctrl+M")), QStringLiteral("mnuComment"));
        QCOMPARE(owner.value(QStringLiteral("Ctrl+Q")), QStringLiteral("actQuit"));
        // Within each menu an access key leads to one item, except the two
        // exports, which share theirs.
        for (QMenu *menu : f.window->findChildren<QMenu *>()) {
            QHash<QChar, int> keys;
            for (QAction *item : menu->actions()) {
                const qsizetype amp = item->text().indexOf(u'&');
                if (amp >= 0 && amp + 1 < item->text().size() && item->text()[amp + 1] != u'&')
                    ++keys[item->text()[amp + 1].toLower()];
            }
            for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
                const int allowed =
                    menu->objectName() == QLatin1String("mnuFile") && it.key() == u'e' ? 2 : 1;
                QVERIFY2(it.value() <= allowed, qPrintable(menu->objectName() + u' ' + it.key()));
            }
        }
    }

    // Edit, Go To Functions lists the program's functions in order; one
    // chosen puts the caret on its line.
    void outline()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("-- function not(this)\n"
                                 "function draw(x)\n"
                                 "  local function helper() end\n"
                                 "end\n"
                                 "obj.on_tap = function(e) end\n"
                                 "function obj:move(dx) end\n"
                                 "s = \"function quoted()\"\n"));
        auto *menu = f.window->findChild<QMenu *>(QStringLiteral("mnuEditGoToFunction"));
        QVERIFY(menu);
        emit menu->aboutToShow();
        QStringList items;
        for (QAction *action : menu->actions())
            items << action->text();
        QCOMPARE(items, (QStringList{"draw\tline 2", "helper\tline 3", "obj.on_tap\tline 5",
                                     "obj:move\tline 6"}));
        menu->actions().at(3)->trigger();
        QCOMPARE(f.status(), QStringLiteral("Line 6 of 8"));

        f.setText(QStringLiteral("x = 1"));
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 1);
        QVERIFY(!menu->actions().first()->isEnabled());
    }

    // A panel of its own names the file and marks unsaved changes; Save and
    // the text export say for a moment that they were done.
    void fileStatePanel()
    {
        MainWindowFixture f;
        auto *panel = f.window->lineStatusBar()->findChild<QLabel *>("fileStatePanel");
        QVERIFY(panel);
        QCOMPARE(panel->text(), QStringLiteral("(untitled)"));
        f.editor()->setFocus();
        QTest::keyClicks(f.editor(), "x");
        QCOMPARE(panel->text(), QStringLiteral("(untitled) *"));
        QCOMPARE(f.status(), QStringLiteral("Line 1 of 2"));

        f.host.fileAnswers << f.path("hello.lua");
        f.trigger("mnuFileSaveAs");
        QCOMPARE(panel->text(), QStringLiteral("Saved hello.lua"));
        QTRY_COMPARE_WITH_TIMEOUT(panel->text(), QStringLiteral("hello.lua"), 6000);
        QTest::keyClicks(f.editor(), "y");
        QCOMPARE(panel->text(), QStringLiteral("hello.lua *"));
        f.trigger("mnuFileSave");
        QCOMPARE(panel->text(), QStringLiteral("Saved hello.lua"));

        f.host.fileAnswers << f.path("hello.txt");
        f.trigger("mnutxtExport");
        QCOMPARE(panel->text(), QStringLiteral("Exported hello.txt"));
        QVERIFY(f.host.unexpected.isEmpty());

        // The status text, however long, is read whole on hover.
        QStatusBar *bar = f.window->lineStatusBar();
        bar->showMessage(QString(300, u'm'));
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), bar->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(bar, &hover);
        QTRY_COMPARE(QToolTip::text(), QString(300, u'm'));
    }
};

SCRIVLET_TEST_MAIN(tst_Conveniences)
#include "tst_conveniences.moc"
