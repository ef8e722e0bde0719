#include "mainwindowfixture.h"
#include "testenv.h"

#include "platform/twips.h"
#include "info/frmbrowser.h"
#include "info/frmfirstrun.h"
#include "info/pluainfo.h"
#include "document/textbuffer.h"
#include "platform/menumerge.h"
#include "lang/linenumbermargin.h"
#include "textfile.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <memory>

using Buttons = HostServices::Buttons;
using Answer = HostServices::Answer;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void windowFrame()
    {
        MainWindowFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Scrivlet IDE 1.3b"));
        QCOMPARE(f.window->centralWidget()->size(), QSize(Twips::px(9135), Twips::px(8220)));
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(f.window->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!f.window->windowIcon().isNull());
        // Minimising and restoring brings back the same fixed layout.
        const QRect editor = f.editor()->geometry();
        f.window->showMinimized();
        f.window->showNormal();
        QCOMPARE(f.window->centralWidget()->size(), QSize(Twips::px(9135), Twips::px(8220)));
        QCOMPARE(f.editor()->geometry(), editor);
    }

    void controlsAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips"); // left, top, width, height
        QTest::newRow("tbToolBar") << "tbToolBar" << QRect(0, 0, 9135, 420);
        QTest::newRow("Label1") << "Label1" << QRect(7080, 480, 1575, 255);
        QTest::newRow("text1") << "text1" << QRect(120, 600, 6855, 6375);
        QTest::newRow("List1") << "List1" << QRect(7080, 840, 1935, 6105);
        QTest::newRow("label2") << "label2" << QRect(120, 7080, 8895, 855);
        QTest::newRow("sbStatusBar") << "sbStatusBar" << QRect(0, 7950, 9135, 270);
    }

    void controlsAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        MainWindowFixture f;
        auto *control = f.window->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        QVERIFY(control->isVisible());
    }

    void initialContent()
    {
        MainWindowFixture f;
        QCOMPARE(f.text(), QStringLiteral("--My Project Name.lua\r\n"));
        const QTextCharFormat format =
            f.editor()->document()->begin().begin().fragment().charFormat();
        QVERIFY(format.fontWeight() >= QFont::Bold);
        QCOMPARE(format.fontPointSize(), 10.0);
        QCOMPARE(f.status(), QStringLiteral("Line 1 of 2"));
        QCOMPARE(f.editor()->tabStopDistance(), 48.0);
        auto *label = f.window->findChild<QLabel *>("Label1");
        QCOMPARE(label->text(), QStringLiteral("(P)Lua functions:"));
        QCOMPARE(f.window->catalogueList()->toolTip(),
                 QStringLiteral("Double-Click on a function to insert it into your project"));
        QCOMPARE(f.window->helpPane()->palette().color(QPalette::Base), QColor(255, 255, 192));
        QCOMPARE(f.window->document().stagingBuffer().text(), QStringLiteral("Text2"));
        QVERIFY(f.window->catalogueList()->isSortingEnabled());
        QVERIFY(f.window->document().fileName().isEmpty());
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("captions"); // item captions with their shortcuts
        QTest::newRow("File") << "&File"
                              << QStringList{"&New|Ctrl+N",
                                             "&Open...|Ctrl+O",
                                             "-",
                                             "&Save|Ctrl+S",
                                             "Save &As...|",
                                             "&Export To .prc|",
                                             "&Export To .txt|",
                                             "-",
                                             "&Print|Ctrl+P",
                                             "-",
                                             "E&xit|"};
        QTest::newRow("Edit") << "&Edit" << QStringList{"Cu&t|", "&Copy|", "&Paste|"};
        QTest::newRow("Insert") << "&Insert"
                                << QStringList{"New Function|Ctrl+F", "Comment|Ctrl+M"};
        QTest::newRow("Help") << "&Help"
                              << QStringList{"What is (P)LUA?|",
                                             "Where to get PLua?|",
                                             "PLua Installation Instructions|",
                                             "-",
                                             "Hollin Development|",
                                             "PLua Homepage|",
                                             "Lua Homepage|",
                                             "-",
                                             "Donate|",
                                             "-",
                                             "&About |"};
    }

    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, captions);
        MainWindowFixture f;
        QMenu *found = nullptr;
        for (QAction *top : f.window->menuBar()->actions()) {
            if (top->text() == menu)
                found = top->menu();
        }
        QVERIFY(found);
        QStringList actual;
        const QList<QAction *> items = found->actions();
        for (QAction *item : items.mid(0, captions.size())) {
            QVERIFY(item->isEnabled() && item->isVisible() && !item->isChecked());
            actual << (item->isSeparator() ? QStringLiteral("-")
                                           : item->text() + u'|' + item->shortcut().toString());
        }
        QCOMPARE(actual, captions);
        // Anything added later comes after the menu's own items, set apart.
        if (items.size() > captions.size())
            QVERIFY(items[captions.size()]->isSeparator());
    }

    // F9 sets a breakpoint at the caret's line; it moves with its line as
    // lines are added or deleted above it, its tool tip says where a line
    // without code really stops, and a click on its number clears it.
    void breakpointsStayWithTheirLines()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("x = 1\n-- note\ny = 2\nz = 3\n"));
        auto *margin = f.editor()->findChild<LineNumberMargin *>();
        QVERIFY(margin);
        f.setCaret(f.editor()->document()->findBlockByNumber(1).position());
        f.trigger("mnuDebugToggleBreakpoint");
        QCOMPARE(margin->breakpoints(), QList<int>{2});
        const auto rowOf = [margin](int line) {
            for (const LineNumberMargin::Row &row : margin->visibleRows())
                if (row.line == line)
                    return QPoint(margin->width() / 2, row.top + row.height / 2);
            return QPoint();
        };
        QHelpEvent tip(QEvent::ToolTip, rowOf(2), margin->mapToGlobal(rowOf(2)));
        QApplication::sendEvent(margin, &tip);
        QCOMPARE(
            QToolTip::text(),
            QStringLiteral("Breakpoint: this line has no code, so the program stops at line 3"));

        QTextCursor cursor(f.editor()->document());
        cursor.insertText(QStringLiteral("w = 0\n"));
        QCOMPARE(margin->breakpoints(), QList<int>{3});
        cursor = QTextCursor(f.editor()->document()->findBlockByNumber(2));
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("w = 0\nx = 1\ny = 2\nz = 3\n"));
        QCOMPARE(margin->breakpoints(), QList<int>{3});

        QTest::mouseClick(margin, Qt::LeftButton, {}, rowOf(3));
        QVERIFY(margin->breakpoints().isEmpty());
        QTest::mouseClick(margin, Qt::LeftButton, {}, rowOf(1));
        QCOMPARE(margin->breakpoints(), QList<int>{1});
    }

    void menuOrder()
    {
        MainWindowFixture f;
        QStringList top;
        for (QAction *a : f.window->menuBar()->actions())
            top << a->text();
        // The design's four menus in their order; Run and Debug come after them.
        QCOMPARE(top, (QStringList{"&File", "&Edit", "&Insert", "&Help", "&Run", "&Debug"}));
    }

    // Features' menus stand where their places are, whatever order the
    // features are attached in; a place asked for twice is one menu.
    void featureMenusKeepTheirPlaces()
    {
        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("&Help"));
        auto *merge = new MenuMerge(window, {"run", "debug", "tools"});
        merge->barMenu(QStringLiteral("tools"), QStringLiteral("&Tools"), QStringLiteral("t"));
        merge->barMenu(QStringLiteral("debug"), QStringLiteral("&Debug"), QStringLiteral("d"));
        QMenu *run = merge->barMenu(QStringLiteral("run"), QStringLiteral("&Run"), "r");
        QCOMPARE(merge->barMenu(QStringLiteral("run"), QStringLiteral("&Again"), "a"), run);
        merge->barMenu(QStringLiteral("other"), QStringLiteral("&Other"), QStringLiteral("o"));
        QStringList top;
        for (QAction *a : window.menuBar()->actions())
            top << a->text();
        QCOMPARE(top, (QStringList{"&Help", "&Run", "&Debug", "&Tools", "&Other"}));
        QCOMPARE(&MenuMerge::of(window), merge);
    }

    void tabMovesBetweenListHelpAndEditor()
    {
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.window->catalogueList()->setFocus();
        QTest::keyClick(f.window->catalogueList(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.window->helpPane());
        QTest::keyClick(f.window->helpPane(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.editor()));
        QTest::keyClick(f.window->helpPane(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), f.window->helpPane());
    }

    void exportItemsShareTheirAccessKey()
    {
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        auto *file = f.window->findChild<QMenu *>("mnuFile");
        file->popup(f.window->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        // E moves between the two exports; Enter runs the highlighted one.
        QTest::keyClick(file, Qt::Key_E);
        QCOMPARE(file->activeAction()->objectName(), QStringLiteral("mnuPRCexport"));
        QTest::keyClick(file, Qt::Key_E);
        QCOMPARE(file->activeAction()->objectName(), QStringLiteral("mnutxtExport"));
        f.host.fileAnswers << QString();
        QTest::keyClick(file, Qt::Key_Return);
        QTRY_COMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(f.host.fileDialogs[0].filter, QStringLiteral("Text Files (*.txt)"));
    }

    void toolbar()
    {
        MainWindowFixture f;
        QStringList buttons;
        for (QAction *a : f.window->toolBar()->actions()) {
            if (a->isSeparator()) {
                buttons << QStringLiteral("|");
                continue;
            }
            QCOMPARE(a->toolTip(), a->data().toString());
            QVERIFY(!a->icon().isNull());
            buttons << a->data().toString();
        }
        QCOMPARE(buttons,
                 (QStringList{"New", "Open", "Save", "|", "Print", "|", "Cut", "Copy", "Paste"}));
        QCOMPARE(f.window->toolBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    // A button runs exactly what its menu item runs: both are one action.
    void toolbarButtonsAreMenuCommands()
    {
        MainWindowFixture f;
        QStringList menuItems;
        for (QAction *top : f.window->menuBar()->actions()) {
            for (QAction *item : top->menu()->actions()) {
                if (f.window->toolBar()->actions().contains(item))
                    menuItems << item->objectName();
                QVERIFY(!item->isIconVisibleInMenu() || item->icon().isNull());
            }
        }
        QCOMPARE(menuItems, (QStringList{"mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuFilePrint",
                                         "mnuEditCut", "mnuEditCopy", "mnuEditPaste"}));
        for (const char *button :
             {"tbNew", "tbOpen", "tbSave", "tbPrint", "tbCut", "tbCopy", "tbPaste"})
            QVERIFY2(f.window->toolBar()->findChild<QWidget *>(QLatin1String(button)), button);
    }

    void catalogueStartsOnClosedb()
    {
        MainWindowFixture f;
        QListWidget *list = f.window->catalogueList();
        QCOMPARE(list->item(0)->text(), QStringLiteral("closedb()"));
        QCOMPARE(list->currentItem()->text(), QStringLiteral("closedb()"));
        QCOMPARE(
            f.window->helpPane()->toPlainText(),
            QStringLiteral("closedb(f): closes a database. Returns true if success or nil if an "
                           "error ocurred. "));
        QCOMPARE(list->item(list->count() - 1)->text(), QStringLiteral("resizerec()"));
    }

    void arrowKeysShowEachHelp()
    {
        MainWindowFixture f;
        QListWidget *list = f.window->catalogueList();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("closerec()"));
        QVERIFY(f.window->helpPane()->toPlainText().startsWith(QStringLiteral("closerec(f)")));
        QTest::keyClick(list, Qt::Key_End);
        QVERIFY(f.window->helpPane()->toPlainText().startsWith(
            QStringLiteral("resizerec(f, i, size)")));
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(f.window->helpPane()->toPlainText().section(u':', 0, 0),
                 list->currentItem()->text().chopped(2) + QLatin1Char('(') +
                     f.window->helpPane()->toPlainText().section(u'(', 1).section(u':', 0, 0));
        // A mouse click selects and shows too.
        QListWidgetItem *pclear = list->findItems("pclear()", Qt::MatchExactly).first();
        list->scrollToItem(pclear);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(pclear).center());
        QVERIFY(
            f.window->helpPane()->toPlainText().startsWith(QStringLiteral("pclear([c]): erases")));
    }

    void lineStatus_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret"); // a position in the editor, one per character and line
        QTest::addColumn<QString>("status");
        QTest::newRow("empty") << "" << 0 << "Line 1 of 1";
        QTest::newRow("after b") << "a\r\nb" << 3 << "Line 2 of 2";
        QTest::newRow("before a") << "a\r\nb" << 0 << "Line 1 of 2";
        QTest::newRow("right after a") << "a\r\nb" << 1 << "Line 1 of 2";
        QTest::newRow("empty last line counts") << "a\r\nb\r\n" << 4 << "Line 3 of 3";
        QTest::newRow("lone LF is a line break") << "a\nb\nc" << 4 << "Line 3 of 3";
        QTest::newRow("lone CR is a line break") << "a\rb" << 2 << "Line 2 of 2";
    }

    void lineStatus()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, status);
        MainWindowFixture f;
        f.setText(text);
        f.setCaret(caret);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), status, 200);
    }

    void lineStatusFollowsKeysAndClicks()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("one\r\ntwo\r\nthree"));
        f.editor()->setFocus();
        QTest::keyClick(f.editor(), Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Line 3 of 3"), 200);
        QTest::keyClick(f.editor(), Qt::Key_Up);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Line 2 of 3"), 200);
        const QRect first = f.editor()->cursorRect(QTextCursor(f.editor()->document()->begin()));
        QTest::mouseClick(f.editor()->viewport(), Qt::LeftButton, {}, first.center());
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Line 1 of 3"), 200);
        // Typing a line break recounts at once.
        QTest::keyClick(f.editor(), Qt::Key_Return);
        QCOMPARE(f.status(), QStringLiteral("Line 2 of 4"));
        // Shift+Enter is a line break of its own too.
        QTest::keyClick(f.editor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(f.status(), QStringLiteral("Line 3 of 5"));
        QCOMPARE(f.text().count(QLatin1String("\r\n")), 4);
    }

    void saveWritesExactBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("x") << "x" << QByteArray("x\r\n");
        QTest::newRow("initial text") << "--My Project Name.lua\r\n"
                                      << QByteArray("--My Project Name.lua\r\n\r\n");
        QTest::newRow("empty") << "" << QByteArray("\r\n");
        QTest::newRow("windows-1252") << QString::fromUtf8("print(\"\xe2\x82\xac 5\")")
                                      << QByteArray("print(\"\x80 5\")\r\n");
    }

    void saveWritesExactBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        MainWindowFixture f;
        f.setText(text);
        const QString target = f.path("prog.lua");
        f.host.fileAnswers << target;
        f.trigger("mnuFileSave"); // no name yet: Save As asks
        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(f.host.fileDialogs[0].title, QStringLiteral("Save"));
        QCOMPARE(f.host.fileDialogs[0].filter, QStringLiteral("Lua/Plua Files (*.lua)"));
        QCOMPARE(f.window->document().fileName(), target);
        QCOMPARE(MainWindowFixture::readFile(target), bytes);
        QCOMPARE(f.window->document().stagingBuffer().text(), f.text());
        // Save with a name writes there without a dialog.
        f.setText(QStringLiteral("y"));
        f.trigger("mnuFileSave");
        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(MainWindowFixture::readFile(target), QByteArray("y\r\n"));
        QVERIFY(f.host.unexpected.isEmpty());
        QVERIFY(f.host.messages.isEmpty());
    }

    // A file opened and saved again comes back with CR LF line ends in
    // Windows-1252, its content otherwise byte for byte as it was.
    void openThenSaveGivesExactBytes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("empty") << QByteArray() << QByteArray("\r\n");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("cr alone") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
        QTest::newRow("lf alone") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("mixed, with empty lines")
            << QByteArray("a\r\n\nb\r\rc\n\r\nd") << QByteArray("a\r\n\r\nb\r\n\r\nc\r\n\r\nd\r\n");
        QTest::newRow("no final line end")
            << QByteArray("x = 1\r\ny = 2") << QByteArray("x = 1\r\ny = 2\r\n");
        QTest::newRow("windows-1252 and tabs")
            << QByteArray("\tprint(\"\x80 \xe9\x93\x94\")\r\n\t\t-- \xff\r\n")
            << QByteArray("\tprint(\"\x80 \xe9\x93\x94\")\r\n\t\t-- \xff\r\n");
        QTest::newRow("utf-8 file saved as windows-1252")
            << QByteArray("-- caf\xc3\xa9\n") << QByteArray("-- caf\xe9\r\n");
        QByteArray longLine = QByteArray(TextFile::MaxLineLength / 2, 'x') + '\xe9' +
                              QByteArray(TextFile::MaxLineLength / 2 - 1, 'y');
        QTest::newRow("very long line") << longLine + "\nz" << longLine + "\r\nz\r\n";
        // Big files are shown a screenful first and completed in a second step.
        QByteArray lines;
        for (int i = 0; lines.size() < 3 * 1024 * 1024; ++i)
            lines += "local v" + QByteArray::number(i) + " = pget(1, 2) -- \xe9\n";
        QByteArray crLf = lines;
        crLf.replace("\n", "\r\n");
        QTest::newRow("3 MB, lf") << lines << crLf;
        QTest::newRow("3 MB, cr lf, no final line end") << crLf.chopped(2) << crLf;
        QByteArray cr = lines;
        cr.replace('\n', '\r');
        QTest::newRow("3 MB, cr alone") << cr << crLf;
    }

    void openThenSaveGivesExactBytes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        MainWindowFixture f;
        const QString path = f.path("prog.lua");
        MainWindowFixture::writeFile(path, file);
        f.host.messageAnswers << Answer::No;
        f.host.fileAnswers << path;
        f.trigger("mnuFileOpen");
        QCOMPARE(f.window->document().fileName(), path);
        // Opening is not an edit: there is nothing to undo.
        f.editor()->undo();
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(path), saved);
        QCOMPARE(f.host.messages.size(), 1); // only the question before Open
    }

    // A soft line break (from rich text, or typed as a character) ends a
    // line in the saved file like any other break.
    void softLineBreakIsSavedAsALineEnd()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("a\nb"));
        QTextCursor cursor(f.editor()->document());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QStringLiteral("1") + QChar(QChar::LineSeparator) + QStringLiteral("2"));
        QCOMPARE(f.editor()->document()->blockCount(), 2);
        QCOMPARE(f.text(), QStringLiteral("a1\r\n2\r\nb"));
        const QString path = f.path("soft.lua");
        f.host.fileAnswers << path;
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(path), QByteArray("a1\r\n2\r\nb\r\n"));
    }

    void saveAsCancelledWritesNothing()
    {
        MainWindowFixture f;
        f.host.fileAnswers << QString();
        f.trigger("mnuFileSave");
        QVERIFY(f.window->document().fileName().isEmpty());
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
        // After an earlier choice the dialog comes up pre-filled, and
        // cancelling it still writes nothing.
        f.host.fileAnswers << f.path("a.lua") << QString();
        f.trigger("mnuFileSaveAs");
        f.setText("changed");
        f.trigger("mnuFileSaveAs");
        QCOMPARE(f.host.fileDialogs.last().initialName, f.path("a.lua"));
        QCOMPARE(MainWindowFixture::readFile(f.path("a.lua")),
                 QByteArray("--My Project Name.lua\r\n\r\n"));
        QCOMPARE(f.window->document().fileName(), f.path("a.lua"));
    }

    void saveFailures()
    {
        MainWindowFixture f;
        // A folder that does not exist: the message with the system's reason
        // beneath it, and the project keeps its old name and its mark.
        const QString named = f.path("named.lua");
        f.window->document().setFileName(named);
        f.window->editor()->insertPlainText(QStringLiteral("print(1)"));
        const QString nowhere = f.path("missing/prog.lua");
        f.host.fileAnswers << nowhere;
        f.host.messageAnswers << Answer::Ok;
        f.trigger("mnuFileSaveAs");
        QCOMPARE(f.host.messages.size(), 1);
        const QStringList lines = f.host.messages[0].text.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("There has been a error!"));
        QCOMPARE(lines.value(2), QDir::toNativeSeparators(nowhere));
        QVERIFY2(lines.value(3).contains(QStringLiteral("No such file or directory")),
                 qPrintable(lines.value(3)));
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Error"));
        QCOMPARE(f.host.messages[0].buttons, Buttons::Ok);
        QCOMPARE(f.window->document().fileName(), named);
        QVERIFY(f.window->editor()->document()->isModified());
#ifdef Q_OS_LINUX
        // A full disk names itself.
        f.host.fileAnswers << QStringLiteral("/dev/full");
        f.host.messageAnswers << Answer::Ok;
        f.trigger("mnuFileSaveAs");
        QCOMPARE(f.host.messages.size(), 2);
        QVERIFY2(f.host.messages[1].text.endsWith(QStringLiteral("No space left on device")),
                 qPrintable(f.host.messages[1].text));
        QCOMPARE(f.window->document().fileName(), named);
        f.host.messages.removeLast();
#endif

        // A character the handheld cannot store: nothing written, the old file whole.
        const QString existing = f.path("old.lua");
        MainWindowFixture::writeFile(existing, "old\r\n");
        f.window->document().setFileName(existing);
        f.setText(QString::fromUtf8("x = \"\xce\xa9\"\r\ny"));
        f.host.messageAnswers << Answer::Ok;
        f.trigger("mnuFileSave");
        QCOMPARE(f.host.messages.size(), 2);
        QVERIFY(f.host.messages[1].text.contains(QString::fromUtf8("\"\xce\xa9\"")));
        QVERIFY(f.host.messages[1].text.contains(QStringLiteral("line 1")));
        QCOMPARE(MainWindowFixture::readFile(existing), QByteArray("old\r\n"));
    }

    void openReplacesText()
    {
        MainWindowFixture f;
        const QString file = f.path("prog.lua");
        MainWindowFixture::writeFile(file, "a\nb\nc\n");
        f.host.messageAnswers << Answer::No;
        f.host.fileAnswers << file;
        f.trigger("mnuFileOpen");
        QCOMPARE(f.host.fileDialogs[0].title, QStringLiteral("Open"));
        QCOMPARE(f.host.fileDialogs[0].mode, HostServices::FileMode::Open);
        QCOMPARE(f.text(), QStringLiteral("a\r\nb\r\nc"));
        QCOMPARE(f.window->document().fileName(), file);
        QCOMPARE(f.status(), QStringLiteral("Line 1 of 3"));
        // The text it replaces is offered for saving first, as New does.
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text,
                 QStringLiteral("Do you wish to save the current project?"));
        QCOMPARE(f.host.messages[0].buttons, Buttons::YesNoCancel);
        // Open and save give back the file with CR LF line ends, nothing added.
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(file), QByteArray("a\r\nb\r\nc\r\n"));
        f.host.messageAnswers << Answer::No;
        f.host.fileAnswers << file;
        f.trigger("mnuFileOpen");
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(file), QByteArray("a\r\nb\r\nc\r\n"));
    }

    void openFailuresKeepTheText_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<missing>" for no file
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray("<missing>") << "File Not Found";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\0\0\0\x01",
                                              8)
                                << "binary";
        QTest::newRow("one endless line") << QByteArray(300 * 1024, 'x') << "longer than";
    }

    void openFailuresKeepTheText()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        MainWindowFixture f;
        f.setText(QStringLiteral("precious"));
        f.window->document().setFileName(f.path("current.lua"));
        const QString file = f.path("other.lua");
        if (content != "<missing>")
            MainWindowFixture::writeFile(file, content);
        f.host.fileAnswers << file;
        f.host.messageAnswers << Answer::No << Answer::Ok;
        f.trigger("mnuFileOpen");
        QCOMPARE(f.host.messages.size(), 2);
        QVERIFY2(f.host.messages[1].text.contains(message), qPrintable(f.host.messages[1].text));
        QCOMPARE(f.host.messages[1].caption, QStringLiteral("Error"));
        QCOMPARE(f.text(), QStringLiteral("precious"));
        QCOMPARE(f.window->document().fileName(), f.path("current.lua"));
    }

    void openCancelledChangesNothing()
    {
        MainWindowFixture f;
        f.setText("keep");
        f.host.messageAnswers << Answer::No;
        f.host.fileAnswers << QString();
        f.trigger("mnuFileOpen");
        QCOMPARE(f.text(), QStringLiteral("keep"));
        QVERIFY(f.window->document().fileName().isEmpty());
    }

    void newDocument_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("fileAnswers");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("saveDialogs");
        QTest::newRow("cancel") << QList<Answer>{Answer::Cancel} << QStringList{} << QStringList{}
                                << "old" << 0;
        QTest::newRow("no, named") << QList<Answer>{Answer::No} << QStringList{}
                                   << QStringList{"Game"} << "-- Game.lua" << 0;
        QTest::newRow("no, name cancelled")
            << QList<Answer>{Answer::No} << QStringList{} << QStringList{""} << "-- .lua" << 0;
        QTest::newRow("yes, save as cancelled")
            << QList<Answer>{Answer::Yes} << QStringList{""} << QStringList{"P"} << "-- P.lua" << 1;
    }

    void newDocument()
    {
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, fileAnswers);
        QFETCH(QStringList, names);
        QFETCH(QString, text);
        QFETCH(int, saveDialogs);
        MainWindowFixture f;
        f.setText("old");
        f.host.messageAnswers.append(answers);
        f.host.fileAnswers.append(fileAnswers);
        f.host.inputAnswers.append(names);
        f.trigger("mnuFileNew");
        QCOMPARE(f.host.messages[0].text,
                 QStringLiteral("Do you wish to save the current project?"));
        QCOMPARE(f.host.messages[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Scrivlet IDE"));
        if (!names.isEmpty()) {
            QCOMPARE(f.host.inputs[0].prompt, QStringLiteral("New project name:"));
            QCOMPARE(f.host.inputs[0].caption, QStringLiteral("Scrivlet Editor"));
        }
        QCOMPARE(f.text(), text);
        QCOMPARE(f.host.fileDialogs.size(), saveDialogs);
        QVERIFY(f.host.unexpected.isEmpty());
        if (text != u"old")
            QCOMPARE(f.status(), QStringLiteral("Line 1 of 1"));
    }

    void newAnsweredYesSavesThroughSaveAsAndStartsUnnamed()
    {
        MainWindowFixture f;
        const QString old = f.path("old.lua");
        f.window->document().setFileName(old);
        f.setText("first project");
        f.host.messageAnswers << Answer::Yes;
        f.host.fileAnswers << f.path("saved.lua");
        f.host.inputAnswers << "Second";
        f.trigger("mnuFileNew");
        // Save As shows although a name was set.
        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(MainWindowFixture::readFile(f.path("saved.lua")), QByteArray("first project\r\n"));
        QCOMPARE(f.text(), QStringLiteral("-- Second.lua"));
        // The next Save asks for a place rather than overwriting the old project.
        QVERIFY(f.window->document().fileName().isEmpty());
        f.host.fileAnswers << QString();
        f.trigger("mnuFileSave");
        QCOMPARE(f.host.fileDialogs.size(), 2);
        QCOMPARE(MainWindowFixture::readFile(f.path("saved.lua")), QByteArray("first project\r\n"));
    }

    void copyAndPaste()
    {
        MainWindowFixture f;
        f.setText("ab\r\ncd");
        f.setCaret(4, 0); // "ab", the line break and "c"
        f.trigger("mnuEditCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab\nc"));
        f.setCaret(4);
        f.trigger("mnuEditPaste");
        QCOMPARE(f.text(), QStringLiteral("ab\r\ncab\r\ncd"));
        QCOMPARE(f.status(), QStringLiteral("Line 3 of 3"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab\nc")); // kept
    }

    void cutWithNothingSelected()
    {
        MainWindowFixture f;
        f.setText("abc");
        QGuiApplication::clipboard()->setText("previous");
        f.setCaret(1);
        f.trigger("mnuEditCut");
        QCOMPARE(f.text(), QStringLiteral("abc"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        f.setCaret(3, 1);
        f.trigger("mnuEditCut");
        QCOMPARE(f.text(), QStringLiteral("a"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("bc"));
    }

    void pasteOnlyPlainText()
    {
        MainWindowFixture f;
        f.setText("abcd");
        // A picture only: the selection goes, nothing comes in.
        QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        f.setCaret(3, 1);
        f.trigger("mnuEditPaste");
        QCOMPARE(f.text(), QStringLiteral("ad"));
        // Formatted text: its plain text, in the editor's own format.
        auto *rich = new QMimeData;
        rich->setHtml("<b style='color:red'>bold</b><br>next");
        rich->setText("bold\r\nnext");
        QGuiApplication::clipboard()->setMimeData(rich);
        f.setCaret(1);
        f.trigger("mnuEditPaste");
        QCOMPARE(f.text(), QStringLiteral("abold\r\nnextd"));
        // The editor's own Ctrl+V takes plain text only as well.
        auto *again = new QMimeData;
        again->setHtml("<i>x</i>");
        again->setText("x");
        QGuiApplication::clipboard()->setMimeData(again);
        f.editor()->setFocus();
        f.editor()->paste();
        QCOMPARE(f.text(), QStringLiteral("abold\r\nnextxd"));
        for (QTextBlock b = f.editor()->document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QVERIFY(!it.fragment().charFormat().fontItalic());
        }
        // Undo works as the editor's users expect.
        f.editor()->undo();
        QCOMPARE(f.text(), QStringLiteral("abold\r\nnextd"));
    }

    void toolbarKeysRunTheirCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("New") << "New";
        QTest::newRow("Open") << "Open";
        QTest::newRow("Save") << "Save";
        QTest::newRow("Cut") << "Cut";
        QTest::newRow("Copy") << "Copy";
        QTest::newRow("Paste") << "Paste";
        QTest::newRow("separator") << "";
        QTest::newRow("unknown") << "new";
    }

    void toolbarKeysRunTheirCommands()
    {
        QFETCH(QString, key);
        MainWindowFixture f;
        f.setText("abc");
        f.setCaret(2, 1); // "b"
        QGuiApplication::clipboard()->setText("Z");
        f.host.messageAnswers << Answer::Cancel; // New
        f.host.fileAnswers << QString();         // Open, Save
        // Click the real button, or dispatch a key no button has.
        QAction *button = nullptr;
        for (QAction *a : f.window->toolBar()->actions()) {
            if (!a->isSeparator() && a->data().toString() == key)
                button = a;
        }
        if (button)
            QTest::mouseClick(f.window->toolBar()->widgetForAction(button), Qt::LeftButton);
        else
            f.window->runToolbarKey(key);

        const QString clip = QGuiApplication::clipboard()->text();
        if (key == u"New") {
            QCOMPARE(f.host.messages.size(), 1);
        } else if (key == u"Open") {
            QCOMPARE(f.host.messages.value(0).text,
                     QStringLiteral("Do you wish to save the current project?"));
        } else if (key == u"Save") {
            QCOMPARE(f.host.fileDialogs.value(0).title, QStringLiteral("Save"));
        } else if (key == u"Cut") {
            QCOMPARE(f.text(), QStringLiteral("ac"));
            QCOMPARE(clip, QStringLiteral("b"));
        } else if (key == u"Copy") {
            QCOMPARE(f.text(), QStringLiteral("abc"));
            QCOMPARE(clip, QStringLiteral("b"));
        } else if (key == u"Paste") {
            QCOMPARE(f.text(), QStringLiteral("aZc"));
        } else {
            QCOMPARE(f.text(), QStringLiteral("abc"));
            QCOMPARE(clip, QStringLiteral("Z"));
            QVERIFY(f.host.messages.isEmpty() && f.host.fileDialogs.isEmpty());
        }
    }

    void shortcutsWorkFromEveryControl_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expect"); // what the command asks first
        const QStringList focus{"List1", "label2", "text1"};
        for (const QString &w : focus) {
            QTest::addRow("Ctrl+N in %s", qPrintable(w)) << w << int(Qt::Key_N) << "message";
            QTest::addRow("Ctrl+O in %s", qPrintable(w)) << w << int(Qt::Key_O) << "message";
            QTest::addRow("Ctrl+S in %s", qPrintable(w)) << w << int(Qt::Key_S) << "Save";
            QTest::addRow("Ctrl+F in %s", qPrintable(w))
                << w << int(Qt::Key_F) << "Name for new function?";
            QTest::addRow("Ctrl+M in %s", qPrintable(w)) << w << int(Qt::Key_M) << "Your comment?";
        }
    }

    void shortcutsWorkFromEveryControl()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, expect);
        MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        auto *target = f.window->findChild<QWidget *>(focus);
        target->setFocus();
        f.host.messageAnswers << Answer::Cancel;
        f.host.fileAnswers << QString();
        f.host.inputAnswers << QString();
        QTest::keyClick(target, Qt::Key(key), Qt::ControlModifier);
        if (expect == u"message")
            QCOMPARE(f.host.messages.value(0).text,
                     QStringLiteral("Do you wish to save the current project?"));
        else if (expect == u"Open" || expect == u"Save")
            QCOMPARE(f.host.fileDialogs.value(0).title, expect);
        else
            QCOMPARE(f.host.inputs.value(0).prompt, expect);
    }

    void closeAsksAndStoresThePlacement()
    {
        QSettings settings(QStringLiteral("Scrivlet IDE"), QStringLiteral("Scrivlet IDE"));
        settings.clear();
        settings.sync();
        {
            MainWindowFixture f;
            f.window->document().setFileName(f.path("closing.lua"));
            f.setText("bye");
            QVERIFY(QTest::qWaitForWindowExposed(f.window));
            f.host.messageAnswers << Answer::Yes;
            QSignalSpy destroyed(f.window, &QObject::destroyed);
            f.trigger("mnuFileExit");
            QCOMPARE(f.host.messages.size(), 1);
            QCOMPARE(f.host.messages[0].text,
                     QStringLiteral("Do you wish to save the current PLua project?"));
            QCOMPARE(f.host.messages[0].buttons, Buttons::YesNo);
            QCOMPARE(f.host.messages[0].icon, HostServices::Icon::None);
            QCOMPARE(f.host.messages[0].caption, QStringLiteral("Scrivlet IDE"));
            QCOMPARE(MainWindowFixture::readFile(f.path("closing.lua")), QByteArray("bye\r\n"));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(destroyed.size(), 1);
        }
        settings.sync();
        settings.beginGroup("Settings");
        for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
            const QString value = settings.value(QLatin1String(key)).toString();
            bool number = false;
            value.toInt(&number);
            QVERIFY2(number, key);
            QVERIFY2(!value.contains(u',') && !value.contains(u'.'), key);
        }
        QCOMPARE(settings.value("MainWidth").toInt() % 15, 0);
        QVERIFY(settings.value("MainWidth").toInt() >= 609 * 15);
        QCOMPARE(settings.value("MainLeft").toInt(), settings.value("MainLeft").toInt() / 15 * 15);
    }

    void closeWhileMinimisedStoresNothing()
    {
        QSettings settings(QStringLiteral("Scrivlet IDE"), QStringLiteral("Scrivlet IDE"));
        settings.clear();
        settings.setValue("Settings/MainLeft", "12345");
        settings.sync();
        {
            MainWindowFixture f;
            f.window->showMinimized();
            QTRY_VERIFY(f.window->isMinimized());
            f.host.messageAnswers << Answer::No;
            f.window->close();
            QCOMPARE(f.host.messages.size(), 1);
        }
        settings.sync();
        QCOMPARE(settings.value("Settings/MainLeft").toString(), QStringLiteral("12345"));
        QVERIFY(!settings.contains("Settings/MainWidth"));
    }

    // A command that replaces or drops the text goes on only when the save
    // the user asked for has happened (or the user chose not to save).
    void nothingLostWhenTheSaveFails_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fileName"); // "" none; "missing/" a folder that is not there
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("fileAnswers");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QByteArray>("saved"); // the file's bytes afterwards

        const QString arrow = QString::fromUtf8("x = 1 \xe2\x86\x92 2");
        const QList<Answer> yesOk{Answer::Yes, Answer::Ok};
        QTest::newRow("exit, refused character") << "exit" << arrow << "cur.lua" << yesOk
                                                 << QStringList{} << false << QByteArray("old\r\n");
        QTest::newRow("exit, folder gone")
            << "exit"
            << "x"
            << "missing/cur.lua" << yesOk << QStringList{} << false << QByteArray("<missing>");
        QTest::newRow("exit, question dismissed")
            << "exit"
            << "x"
            << "cur.lua" << QList<Answer>{Answer::Cancel} << QStringList{} << false
            << QByteArray("old\r\n");
        QTest::newRow("exit, save as cancelled")
            << "exit"
            << "x"
            << "" << QList<Answer>{Answer::Yes} << QStringList{""} << true << QByteArray("old\r\n");
        QTest::newRow("exit, saved") << "exit"
                                     << "x"
                                     << "cur.lua" << QList<Answer>{Answer::Yes} << QStringList{}
                                     << true << QByteArray("x\r\n");
        QTest::newRow("new, refused character")
            << "new" << arrow << "" << yesOk << QStringList{"cur.lua"} << false
            << QByteArray("old\r\n");
        QTest::newRow("open, refused character") << "open" << arrow << "cur.lua" << yesOk
                                                 << QStringList{} << false << QByteArray("old\r\n");
        QTest::newRow("open, save as cancelled")
            << "open"
            << "x"
            << "" << QList<Answer>{Answer::Yes} << QStringList{""} << false
            << QByteArray("old\r\n");
        QTest::newRow("open, cancel") << "open"
                                      << "x"
                                      << "cur.lua" << QList<Answer>{Answer::Cancel} << QStringList{}
                                      << false << QByteArray("old\r\n");
        QTest::newRow("open, saved first")
            << "open"
            << "x"
            << "cur.lua" << QList<Answer>{Answer::Yes} << QStringList{"other.lua"} << true
            << QByteArray("x\r\n");
        QTest::newRow("open, not saved")
            << "open"
            << "x"
            << "cur.lua" << QList<Answer>{Answer::No} << QStringList{"other.lua"} << true
            << QByteArray("old\r\n");
    }

    void nothingLostWhenTheSaveFails()
    {
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(QString, fileName);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, fileAnswers);
        QFETCH(bool, goesOn);
        QFETCH(QByteArray, saved);
        MainWindowFixture f;
        const QString current = f.path(fileName.isEmpty() ? QStringLiteral("cur.lua") : fileName);
        if (!fileName.startsWith(u"missing"))
            MainWindowFixture::writeFile(current, "old\r\n");
        MainWindowFixture::writeFile(f.path("other.lua"), "other\r\n");
        if (!fileName.isEmpty())
            f.window->document().setFileName(current);
        f.setText(text);
        f.host.messageAnswers.append(answers);
        for (const QString &answer : fileAnswers)
            f.host.fileAnswers << (answer.isEmpty() ? answer : f.path(answer));
        f.host.inputAnswers << QStringLiteral("Next");
        QPointer<frmMain> window = f.window;

        if (command == u"exit")
            f.trigger("mnuFileExit");
        else
            f.trigger(command == u"new" ? "mnuFileNew" : "mnuFileOpen");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(MainWindowFixture::readFile(current), saved);
        QVERIFY2(f.host.unexpected.isEmpty(), qPrintable(f.host.unexpected.join(u'\n')));
        if (command == u"exit") {
            QCOMPARE(window.isNull(), goesOn);
            if (!goesOn) {
                QVERIFY(window->isVisible());
                QCOMPARE(f.text(), text);
            }
            return;
        }
        const QString after =
            command == u"new" ? QStringLiteral("-- Next.lua") : QStringLiteral("other");
        QCOMPARE(f.text(), goesOn ? after : text);
        if (!goesOn)
            QVERIFY(f.host.inputs.isEmpty());
    }

    // The close question has no Cancel: Esc and the window's close button do
    // nothing, and only a button answers it.
    void closeQuestionNeedsAButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("yes") << "Yes" << Answer::Yes;
        QTest::newRow("no") << "No" << Answer::No;
    }

    void closeQuestionNeedsAButton()
    {
        QFETCH(QString, button);
        QFETCH(Answer, answer);
        QTemporaryDir dir;
        QtHostServices host(dir.path());
        QStringList seen;
        QTimer::singleShot(50, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            QCoreApplication::processEvents();
            seen << (box->isVisible() ? QStringLiteral("still open") : QStringLiteral("gone"));
            for (QAbstractButton *b : box->buttons()) {
                if (b->text().remove(u'&') == button)
                    b->click();
            }
        });
        // A failed check must not leave the question open for ever.
        QTimer::singleShot(5000, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->hide();
        });
        const Answer got = host.messageBox(
            QStringLiteral("Do you wish to save the current PLua project?"), Buttons::YesNo);
        QCOMPARE(seen, QStringList{QStringLiteral("still open")});
        QCOMPARE(got, answer);
    }

    // Qt's own file dialog takes double quotes for a list of files; a name
    // typed with quotes is the file the user means.
    void fileDialogTakesQuotedNamesAsTyped_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("typed"); // %1 is the dialog's folder
        QTest::addColumn<QString>("chosen");
        QTest::newRow("save, name") << true << "my \"x\" file.lua"
                                    << "%1/my \"x\" file.lua";
        QTest::newRow("save, whole path") << true << "%1/sub/\"q\".lua"
                                          << "%1/sub/\"q\".lua";
        QTest::newRow("save, plain name") << true << "plain.lua"
                                          << "%1/plain.lua";
        QTest::newRow("open, whole path") << false << "%1/old \"y\".lua"
                                          << "%1/old \"y\".lua";
    }

    void fileDialogTakesQuotedNamesAsTyped()
    {
        QFETCH(bool, save);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        MainWindowFixture::writeFile(dir.filePath("old \"y\".lua"), "y");
        typed.replace("%1", dir.path());
        chosen.replace("%1", dir.path());
        QtHostServices host(dir.path());
        QTimer::singleShot(50, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *edit = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
            if (!edit)
                return;
            edit->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QTimer::singleShot(5000, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->hide();
        });
        const QString preset = dir.filePath("start.lua");
        const QString got = save ? host.showSave("Save", "Lua/Plua Files (*.lua)", preset)
                                 : host.showOpen("Open", "Lua/Plua Files (*.lua)");
        QCOMPARE(got, chosen);
    }

    void closeClosesOtherWindowsNewestFirst()
    {
        MainWindowFixture f;
        QStringList closed;
        QList<QWidget *> others;
        for (const char *name : {"older", "newer", "newest"}) {
            auto *w = new QWidget;
            w->setObjectName(QLatin1String(name));
            w->setAttribute(Qt::WA_DeleteOnClose);
            f.program.registerWindow(w);
            w->show();
            connect(w, &QObject::destroyed, this,
                    [&closed, name] { closed << QLatin1String(name); });
            others << w;
        }
        f.host.messageAnswers << Answer::No;
        QSignalSpy mainGone(f.window, &QObject::destroyed);
        f.window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(mainGone.size(), 1);
        QCOMPARE(closed, (QStringList{"newest", "newer", "older"}));
        QCOMPARE(f.program.loadedWindows(), QList<QWidget *>{});
    }

    // What a screen reader reads: the controls' names, the catalogue tied
    // to its label, the help pane read-only, and the windows as frames or
    // dialogs rather than bare panes.
    void accessibleNamesAndRoles()
    {
        MainWindowFixture f;
        const auto name = [](QObject *o) {
            return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name);
        };
        QCOMPARE(name(f.editor()), QStringLiteral("Program text"));
        QCOMPARE(name(f.window->helpPane()), QStringLiteral("Function help"));
        QAccessibleInterface *list =
            QAccessible::queryAccessibleInterface(f.window->catalogueList());
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("(P)Lua functions"));
        QAccessibleInterface *label = QAccessible::queryAccessibleInterface(
            f.window->findChild<QLabel *>(QStringLiteral("Label1")));
        QCOMPARE(label->text(QAccessible::Name), QStringLiteral("(P)Lua functions:"));
        const auto labelled = label->relations(QAccessible::Labelled);
        QCOMPARE(labelled.size(), 1);
        QCOMPARE(labelled.first().first->object(), f.window->catalogueList());

        const QString help = f.window->helpPane()->toPlainText();
        f.window->helpPane()->setFocus();
        QTest::keyClicks(f.window->helpPane(), QStringLiteral("typed"));
        QTest::keyClick(f.window->helpPane(), Qt::Key_Delete);
        QCOMPARE(f.window->helpPane()->toPlainText(), help);
        QVERIFY(QAccessible::queryAccessibleInterface(f.window->helpPane())->state().readOnly);
        // Its text is still selected and copied by keys, without the editor
        // taking them.
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.window->helpPane()->setFocus();
        QTest::keyClick(f.window->helpPane(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.window->helpPane()->textCursor().selectedText().size(), help.size());
        QVERIFY(f.window->helpPane()->hasFocus());
        QVERIFY(!f.editor()->textCursor().hasSelection());

        const std::unique_ptr<frmBrowser> browser(new frmBrowser(f.program));
        const QList<std::pair<QWidget *, QAccessible::Role>> windows = {
            {f.window, QAccessible::Window},
            {f.program.showWindow<PluaInfo>(), QAccessible::Dialog},
            {f.program.showWindow<frmFirstRun>(), QAccessible::Dialog},
            {browser.get(), QAccessible::Window},
        };
        for (const auto &[window, role] : windows)
            QVERIFY2(QAccessible::queryAccessibleInterface(window)->role() == role,
                     qPrintable(window->objectName()));
    }

    // Each character's box is where the editor draws it: lower lines lie
    // lower, later characters further right, and the end has a box too.
    void characterExtents()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.setText(QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix"));
        auto *text = QAccessible::queryAccessibleInterface(f.editor())->textInterface();
        QVERIFY(text);
        const int count = text->characterCount();
        QCOMPARE(count, f.editor()->toPlainText().size());
        QRect previous;
        for (int line : {0, 3, 5}) {
            const int offset = f.editor()->document()->findBlockByNumber(line).position();
            const QRect box = text->characterRect(offset);
            QVERIFY2(box.top() > previous.top() || line == 0, qPrintable(QString::number(line)));
            QCOMPARE(text->offsetAtPoint(box.center()), offset);
            QVERIFY(text->characterRect(offset + 1).left() > box.left());
            previous = box;
        }
        const QRect end = text->characterRect(count);
        QVERIFY(!end.isEmpty());
        QCOMPARE(end.top(), previous.top());
        QCOMPARE(text->text(4, 7), QStringLiteral("two"));
    }
};

SCRIVLET_TEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
