// The Plua 1 features of the editor: colours, checking as it is typed, help
// on the catalogue's functions and line numbers, in a real main window.

#include "document/projectdocument.h"
#include "document/textbuffer.h"
#include "catalogue.h"
#include "lang/caretmarks.h"
#include "lang/editorcolours.h"
#include "lang/linenumbermargin.h"
#include "lang/pluacodeassist.h"
#include "lang/pluadiagnostics.h"
#include "lang/pluahighlighter.h"
#include "lang/pluasupport.h"
#include "mainwindowfixture.h"
#include "output/textexport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QCompleter>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>

namespace {

// The kind of token the highlighter gave the text at `column` of `line`.
QString kindAt(const QTextDocument &doc, const PluaHighlighter &h, int line, int column)
{
    const QTextBlock block = doc.findBlockByNumber(line);
    const QStringList names = {"keyword", "string", "comment", "number", "upvalue", "library"};
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (column < range.start || column >= range.start + range.length)
            continue;
        for (int k = 0; k < names.size(); ++k)
            if (range.format == h.format(PluaHighlighter::Kind(k)))
                return names[k];
    }
    return QStringLiteral("plain");
}

PluaSupport *supportOf(const MainWindowFixture &f)
{
    PluaSupport *support = PluaSupport::of(f.editor());
    if (!support)
        qFatal("the editor has no Plua support");
    return support;
}

// Waits for the check of the editor's current text.
bool waitForCheck(PluaDiagnostics *d)
{
    QSignalSpy spy(d, &PluaDiagnostics::resultChanged);
    return spy.wait(5000);
}

} // namespace

class tst_PluaSupport : public QObject
{
    Q_OBJECT

private slots:
    void highlighting_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("word"); // its first occurrence on the line
        QTest::addColumn<QString>("kind");

        QTest::newRow("reserved word") << "while x do end" << 0 << "while"
                                       << "keyword";
        QTest::newRow("true is a name") << "x = true" << 0 << "true"
                                        << "plain";
        QTest::newRow("false is a name") << "x = false" << 0 << "false"
                                         << "plain";
        QTest::newRow("goto is a name") << "goto = 1" << 0 << "goto"
                                        << "plain";
        QTest::newRow("in is a name") << "for k,v in t do end" << 0 << "in"
                                      << "plain";
        QTest::newRow("local function: both reserved")
            << "local function f() end" << 0 << "function"
            << "keyword";
        QTest::newRow("string") << "s = \"a -- b\"" << 0 << "-- b"
                                << "string";
        QTest::newRow("escaped quote stays inside") << "s = 'it\\'s end'" << 0 << "end"
                                                    << "string";
        QTest::newRow("unfinished string ends with its line") << "s = \"abc\nend" << 1 << "end"
                                                              << "keyword";
        QTest::newRow("comment") << "x = 1 -- end of it" << 0 << "end"
                                 << "comment";
        QTest::newRow("no block comments: next line is code") << "--[[ note\nwhile" << 1 << "while"
                                                              << "keyword";
        QTest::newRow("long string over lines") << "s = [[first\nend of it\n]] end" << 1 << "end"
                                                << "string";
        QTest::newRow("code after a long string") << "s = [[a\nb]] while" << 1 << "while"
                                                  << "keyword";
        QTest::newRow("nested long string") << "s = [[a [[b]]\nend]] do" << 1 << "end"
                                            << "string";
        QTest::newRow("nested long string closes") << "s = [[a [[b]]\nend]] do" << 1 << "do"
                                                   << "keyword";
        QTest::newRow("backslash carries a string on") << "s = 'a\\\nend' do" << 1 << "end"
                                                       << "string";
        QTest::newRow("number") << "x = 12.5e-3" << 0 << "12.5e-3"
                                << "number";
        QTest::newRow("leading dot number") << "x = .5" << 0 << ".5"
                                            << "number";
        QTest::newRow("upvalue") << "f = function() return %y end" << 0 << "%y"
                                 << "upvalue";
        QTest::newRow("library function") << "pbox(1, 2, 3, 4)" << 0 << "pbox"
                                          << "library";
        QTest::newRow("library name as a field") << "t.pbox = 1" << 0 << "pbox"
                                                 << "plain";
        QTest::newRow("library name as a method") << "t:pbox()" << 0 << "pbox"
                                                  << "plain";
        QTest::newRow("other names") << "pboxes = 1" << 0 << "pboxes"
                                     << "plain";
        QTest::newRow("# first line skipped") << "#!/bin/plua end\nend" << 0 << "end"
                                              << "comment";
        QTest::newRow("# later is a stray") << "x = 1\n# end" << 1 << "end"
                                            << "keyword";
        QTest::newRow("operator between numbers") << "x = 1 + 2" << 0 << "+"
                                                  << "plain";
        QTest::newRow("name between keywords") << "if a then" << 0 << "a"
                                               << "plain";
    }

    void highlighting()
    {
        QFETCH(QString, program);
        QFETCH(int, line);
        QFETCH(QString, word);
        QFETCH(QString, kind);
        QTextDocument doc;
        doc.documentLayout(); // as in an editor: edits reach the highlighter
        PluaHighlighter h(&doc);
        doc.setPlainText(program);
        const int column = doc.findBlockByNumber(line).text().indexOf(word);
        QVERIFY(column >= 0);
        for (int i = 0; i < word.size(); ++i)
            QCOMPARE(kindAt(doc, h, line, column + i), kind);
    }

    // Pieces of one kind with only blanks between are one coloured run;
    // anything else between keeps them apart.
    void runsPerLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("runs"); // the text of each run
        QTest::newRow("two keywords")
            << "local function f() end" << QStringList{"local function", "end"};
        QTest::newRow("tabs and spaces") << "end \t end\tend" << QStringList{"end \t end\tend"};
        QTest::newRow("operator between numbers") << "x = 1 + 2" << QStringList{"1", "2"};
        QTest::newRow("different kinds")
            << "return 1 -- one" << QStringList{"return", "1", "-- one"};
        QTest::newRow("strings") << "s = 'a' 'b'" << QStringList{"'a' 'b'"};
        QTest::newRow("library then keyword") << "pclear end" << QStringList{"pclear", "end"};
    }

    void runsPerLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, runs);
        QTextDocument doc;
        doc.documentLayout();
        PluaHighlighter h(&doc);
        doc.setPlainText(line);
        QStringList found;
        for (const QTextLayout::FormatRange &range : doc.firstBlock().layout()->formats())
            found << line.mid(range.start, range.length);
        QCOMPARE(found, runs);
    }

    // An edit re-colours its own line, and the lines after it only as far as
    // their starting state changed.
    void highlightingIsIncremental_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("most");
        QTest::newRow("a letter") << "a" << 1 << 2;
        QTest::newRow("a comment") << "-- " << 1 << 2;
        QTest::newRow("opening a long string") << "s = [[" << 1000 << 1001;
    }

    void highlightingIsIncremental()
    {
        QFETCH(QString, insert);
        QFETCH(int, least);
        QFETCH(int, most);
        QTextDocument doc;
        doc.documentLayout();
        PluaHighlighter h(&doc);
        QStringList lines;
        for (int i = 0; i < 2000; ++i)
            lines << QStringLiteral("local v%1 = pget(%1, 2) -- pixel").arg(i);
        doc.setPlainText(lines.join(u'\n'));
        QVERIFY(h.linesScanned() >= 2000);
        const qint64 before = h.linesScanned();
        QTextCursor(doc.findBlockByNumber(1000)).insertText(insert);
        const qint64 count = h.linesScanned() - before;
        QVERIFY2(count >= least && count <= most, qPrintable(QString::number(count)));
        if (insert.contains(u'['))
            QCOMPARE(kindAt(doc, h, 1999, 2), QStringLiteral("string"));
    }

    // Colours are display only: the saved and exported bytes are the same
    // with them as without.
    void highlightingLeavesTheBytesAlone()
    {
        const QString program = QStringLiteral(
            "-- demo\r\nlocal s = [[two\r\nlines]]\r\npbox(1, 2, 3, 4) -- \xe9t\xe9\r\n"
            "if x then return %y end\r\n");
        QByteArray bytes[2];
        QString texts[2];
        for (int on = 0; on < 2; ++on) {
            MainWindowFixture f;
            supportOf(f)->setActive(on == 1);
            f.setText(program);
            QCoreApplication::processEvents();
            texts[on] = f.text();
            ProjectDocument &document = f.window->document();
            document.stageText();
            QVERIFY(document.SaveText(document.stagingBuffer(), f.path("out.lua")));
            f.host.fileAnswers.enqueue(f.path("out.txt"));
            Output::exportText(f.host, f.window->document());
            bytes[on] = MainWindowFixture::readFile(f.path("out.lua")) + "|" +
                        MainWindowFixture::readFile(f.path("out.txt"));
            if (on == 1)
                QVERIFY(
                    !f.editor()->document()->findBlockByNumber(2).layout()->formats().isEmpty());
        }
        QCOMPARE(texts[1], texts[0]);
        QCOMPARE(bytes[1], bytes[0]);
        QVERIFY(bytes[0].contains("lines]]\r\npbox(1, 2, 3, 4) -- \xe9t\xe9\r\n"));
    }

    void diagnostics_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<QString>("message"); // a part of it
        QTest::addColumn<int>("markLine");    // where the underline is

        QTest::newRow("valid") << "x = 1\nprint(x)" << 0 << ""
                               << "" << 0;
        QTest::newRow("missing end: the last word before") << "if x then\n  y = 1\n"
                                                           << 3 << "1"
                                                           << "end" << 2;
        QTest::newRow("missing then") << "if x\n  y = 1 end" << 2 << "y"
                                      << "then" << 2;
        QTest::newRow("local function") << "local function f() end" << 1 << "function"
                                        << "" << 1;
        QTest::newRow("unfinished string") << "x = 1\ns = \"abc\ny = 2" << 2 << "\""
                                           << "string" << 2;
        QTest::newRow("goto is a name") << "goto = 1\nx = goto" << 0 << ""
                                        << "" << 0;
        QTest::newRow("break outside a loop") << "x = 1\nbreak\n"
                                              << 2 << "break"
                                              << "" << 2;
        // The handheld gets the last line ended too: the end of the program
        // is on the line after it.
        QTest::newRow("after non-ASCII text") << "s = '\xe9\xe9' x" << 2 << "x"
                                              << "" << 1;
    }

    void diagnostics()
    {
        QFETCH(QString, program);
        QFETCH(int, line);
        QFETCH(QString, marked);
        QFETCH(QString, message);
        QFETCH(int, markLine);
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        f.setText(program);
        QVERIFY(waitForCheck(d));
        QCOMPARE(d->errorLine(), line);
        QCOMPARE(supportOf(f)->margin()->markedLine(), line);
        const QLabel *field = f.window->lineStatusBar()->findChild<QLabel *>("pluaErrorField");
        QVERIFY(field);
        if (line == 0) {
            QVERIFY(field->text().isEmpty());
            QVERIFY(f.editor()->extraSelections().isEmpty());
            return;
        }
        QVERIFY2(d->errorMessage().contains(message), qPrintable(d->errorMessage()));
        QVERIFY(field->text().startsWith(QStringLiteral("Line %1, column ").arg(line)));
        QCOMPARE(field->toolTip(), d->statusText());
        QVERIFY(field->text() == d->statusText() || field->text().endsWith(QChar(0x2026)));
        // The caret line status stays as it was, in its own place.
        QVERIFY(f.status().startsWith(QLatin1String("Line ")));
        QVERIFY(f.status().contains(QLatin1String(" of ")));
        const auto marks = f.editor()->extraSelections();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks[0].cursor.block().blockNumber(), markLine - 1);
        if (!marked.isEmpty())
            QCOMPARE(marks[0].cursor.selectedText(), marked);
        QVERIFY(marks[0].cursor.hasSelection());
    }

    // Fixing the fault clears the mark; F8 puts the caret on a fault.
    void fixingClearsTheMarkAndF8GoesToIt()
    {
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        f.setText(QStringLiteral("x = 1\nif x then\n  y = = 2\nend\n"));
        QVERIFY(waitForCheck(d));
        QCOMPARE(d->errorLine(), 3);
        f.setCaret(0);
        f.editor()->setFocus();
        QTest::keyClick(f.editor(), Qt::Key_F8);
        QCOMPARE(f.editor()->textCursor().blockNumber(), 2);
        QCOMPARE(f.editor()->textCursor().position(), d->errorCursor().selectionStart());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), d->statusText());

        QTextCursor fix = d->errorCursor();
        fix.insertText(QStringLiteral("3 +"));
        QVERIFY(waitForCheck(d));
        QCOMPARE(d->errorLine(), 0);
        QVERIFY(f.editor()->extraSelections().isEmpty());
        QCOMPARE(supportOf(f)->margin()->markedLine(), 0);
    }

    // A check that an edit overtook is dropped: what shows is always the
    // verdict on the text as it is.
    void staleResultsAreDropped()
    {
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        QString big;
        for (int i = 0; i < 20000; ++i)
            big += QStringLiteral("v%1 = pget(%1, 2)\n").arg(i);
        f.setText(big + QStringLiteral("if"));
        QList<int> shown;
        connect(d, &PluaDiagnostics::resultChanged, this,
                [&shown, d] { shown.append(d->errorLine()); });
        d->checkNow();
        QTextCursor end = f.editor()->textCursor();
        end.movePosition(QTextCursor::End);
        end.insertText(QStringLiteral(" x then end"));
        d->checkNow();
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 5000);
        QTest::qWait(PluaDiagnostics::PauseMs + 300);
        QCOMPARE(shown, QList<int>(shown.size(), 0));
        QVERIFY(f.editor()->extraSelections().isEmpty());
    }

    // The checker reads its text through a replaceable source; lines may be
    // apart by '\n' or by the document's own separator, and every character
    // reaches the checker as it is.
    void checksTheTextSource_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("line feeds") << "x = 1\ny = 2\nif" << 4;
        QTest::newRow("paragraph separators") << QStringLiteral("x = 1\u2029y = 2\u2029if") << 4;
        QTest::newRow("valid") << QStringLiteral("x = 1\u2029y = 2") << 0;
        QTest::newRow("a no-break space is no blank")
            << QStringLiteral("y = 2\u2029x\u00a0= 1") << 2;
    }

    void checksTheTextSource()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        int reads = 0;
        d->setTextSource([&reads, text] {
            ++reads;
            return text;
        });
        d->checkNow();
        QVERIFY(waitForCheck(d));
        QCOMPARE(d->errorLine(), line);
        QCOMPARE(reads, 1);

        // Back to the editor's own text, with the same verdict.
        d->setTextSource(nullptr);
        f.setText(QString(text).replace(QChar::ParagraphSeparator, u'\n'));
        QVERIFY(waitForCheck(d));
        QCOMPARE(d->errorLine(), line);
        QCOMPARE(reads, 1);
    }

    // Keys that come faster than the pause put the check off: the text is
    // read once, after the last of them.
    void typingPutsTheCheckOff()
    {
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        f.setText(QStringLiteral("x = 1\n"));
        QVERIFY(waitForCheck(d));
        int reads = 0;
        const QTextDocument *doc = f.editor()->document();
        d->setTextSource([&reads, doc] {
            ++reads;
            return doc->toRawText();
        });
        f.editor()->moveCursor(QTextCursor::End);
        f.editor()->setFocus();
        QSignalSpy results(d, &PluaDiagnostics::resultChanged);
        for (const char *key : {"i", "f", " ", "x", " ", "t", "h", "e", "n", " ", "e", "n", "d",
                                " ", "i", "f", " ", "y"}) {
            QTest::keyClicks(f.editor(), key);
            QTest::qWait(PluaDiagnostics::PauseMs / 10);
        }
        QCOMPARE(reads, 0);
        QVERIFY(results.wait(5000));
        QCOMPARE(reads, 1);
        QCOMPARE(d->errorLine(), 3);
    }

    void turnedOffShowsNothing()
    {
        MainWindowFixture f;
        PluaDiagnostics *d = supportOf(f)->diagnostics();
        f.setText(QStringLiteral("if"));
        QVERIFY(waitForCheck(d));
        QVERIFY(d->errorLine() > 0);
        supportOf(f)->setActive(false);
        QCOMPARE(d->errorLine(), 0);
        QVERIFY(f.editor()->extraSelections().isEmpty());
        f.setText(QStringLiteral("if x"));
        QTest::qWait(PluaDiagnostics::PauseMs + 200);
        QCOMPARE(d->errorLine(), 0);
    }

    void namesAndCalls_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("call");
        QTest::newRow("on a name") << "pbox(1, 2)" << 2 << "pbox"
                                   << "";
        QTest::newRow("just after a name") << "x = pclear" << 10 << "pclear"
                                           << "";
        QTest::newRow("inside a call") << "pbox(1, 2)" << 7 << ""
                                       << "pbox";
        QTest::newRow("inside a nested call") << "pbox(abs(1), 2)" << 13 << ""
                                              << "pbox";
        QTest::newRow("inside the inner call") << "pbox(pget(1, 2)" << 12 << ""
                                               << "pget";
        QTest::newRow("after the call") << "pbox(1) x" << 9 << ""
                                        << "";
        QTest::newRow("blank before the parenthesis") << "pbox (1" << 7 << ""
                                                      << "pbox";
        QTest::newRow("a field of that name") << "t.pbox(1" << 8 << ""
                                              << "";
        QTest::newRow("other function") << "foo(1" << 5 << ""
                                        << "";
        QTest::newRow("name that only starts alike") << "pboxes" << 3 << ""
                                                     << "";
    }

    void namesAndCalls()
    {
        QFETCH(QString, line);
        QFETCH(int, caret);
        QFETCH(QString, name);
        QFETCH(QString, call);
        MainWindowFixture f;
        f.setText(QStringLiteral("x = 1\n") + line);
        PluaCodeAssist *a = supportOf(f)->codeAssist();
        QCOMPARE(a->nameAt(6 + caret), name);
        if (name.isEmpty())
            QCOMPARE(a->callAt(6 + caret), call);
    }

    // The caret on a function shows the help pane's own text; inside its
    // call, the signature.
    void helpAtTheCaretIsTheHelpPanesText()
    {
        MainWindowFixture f;
        f.setText(QStringLiteral("pcircle(10, 20, 5)\n"));
        PluaCodeAssist *a = supportOf(f)->codeAssist();
        f.setCaret(3);
        QTRY_VERIFY(!a->caretTip().isEmpty());
        const auto items = f.window->catalogueList()->findItems("pcircle()", Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        f.window->catalogueList()->setCurrentItem(items[0]);
        QCOMPARE(a->caretTip(), f.window->helpPane()->toPlainText());

        f.setCaret(10);
        QVERIFY(a->caretTip().isEmpty());
        QTRY_VERIFY(!a->caretTip().isEmpty());
        QCOMPARE(a->caretTip(), PluaCodeAssist::signatureOf(Catalogue::helpFor(u"pcircle()")));
        QVERIFY(a->caretTip().startsWith(QLatin1String("pcircle(")));
        QVERIFY(a->caretTip().endsWith(u')'));
    }

    void everySignatureIsACall()
    {
        for (const Catalogue::Entry &entry : Catalogue::entries()) {
            const QString list = QString::fromLatin1(entry.listText);
            const QString signature =
                PluaCodeAssist::signatureOf(QString::fromLatin1(entry.helpText));
            QVERIFY2(signature.startsWith(list.left(list.indexOf(u'(') + 1)),
                     qPrintable(signature));
            QVERIFY2(signature.endsWith(u')'), qPrintable(signature));
        }
    }

    void typingAParenthesisShowsTheSignature()
    {
        MainWindowFixture f;
        f.window->activateWindow();
        f.editor()->setFocus();
        f.setText(QString());
        QTest::keyClicks(f.editor(), QStringLiteral("pbox("));
        PluaCodeAssist *a = supportOf(f)->codeAssist();
        QTRY_COMPARE(a->caretTip(), PluaCodeAssist::signatureOf(Catalogue::helpFor(u"pbox()")));
        QTest::keyClicks(f.editor(), QStringLiteral("1, 2)"));
        QTest::qWait(PluaCodeAssist::RestMs + 200);
        QVERIFY(a->caretTip().isEmpty());
    }

    void completion_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("more"); // typed while the list is open
        QTest::addColumn<int>("downs");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("offered"); // entries in the list before Enter
        QTest::newRow("first match") << "x = pcl"
                                     << "" << 0 << "x = pclear(" << 2;
        QTest::newRow("second match") << "x = pcl"
                                      << "" << 1 << "x = pclosebmp(" << 2;
        QTest::newRow("narrowed while open") << "pc"
                                             << "lo" << 0 << "pclosebmp(" << 1;
        QTest::newRow("every function") << ""
                                        << "" << 0 << "closedb(" << 60;
    }

    void completion()
    {
        QFETCH(QString, typed);
        QFETCH(QString, more);
        QFETCH(int, downs);
        QFETCH(QString, result);
        QFETCH(int, offered);
        MainWindowFixture f;
        f.window->activateWindow();
        f.setText(QString());
        f.editor()->setFocus();
        QTest::keyClicks(f.editor(), typed);
        QTest::keyClick(f.editor(), Qt::Key_Space, Qt::ControlModifier);
        QAbstractItemView *list = supportOf(f)->codeAssist()->completer()->popup();
        QTRY_VERIFY(list->isVisible());
        QTest::keyClicks(list, more);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(supportOf(f)->codeAssist()->completer()->completionCount(), offered);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(f.editor()->toPlainText(), result);
    }

    void escapeClosesTheListAndKeepsTheText()
    {
        MainWindowFixture f;
        f.window->activateWindow();
        f.setText(QString());
        f.editor()->setFocus();
        QTest::keyClicks(f.editor(), QStringLiteral("pse"));
        QTest::keyClick(f.editor(), Qt::Key_Space, Qt::ControlModifier);
        QAbstractItemView *list = supportOf(f)->codeAssist()->completer()->popup();
        QTRY_VERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QCOMPARE(f.editor()->toPlainText(), QStringLiteral("pse"));
    }

    void lineNumbers_data()
    {
        QTest::addColumn<int>("lines");
        QTest::newRow("10") << 10;
        QTest::newRow("1000") << 1000;
        QTest::newRow("100000") << 100000;
    }

    // The margin is as wide as the largest number, beside the text, and
    // numbers the lines shown, scrolled or not.
    void lineNumbers()
    {
        QFETCH(int, lines);
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text << QStringLiteral("x = %1").arg(i);
        f.setText(text.join(u'\n'));
        LineNumberMargin *margin = supportOf(f)->margin();
        const int widest = margin->fontMetrics().horizontalAdvance(QString::number(lines));
        QVERIFY(margin->width() > widest);
        QVERIFY(margin->width() < widest + 4 * margin->fontMetrics().horizontalAdvance(u'9'));
        QVERIFY(f.editor()->viewport()->geometry().left() >= margin->geometry().right());

        f.editor()->verticalScrollBar()->setValue(lines / 2);
        QCoreApplication::processEvents();
        const auto rows = margin->visibleRows();
        QVERIFY(!rows.isEmpty());
        const int first = f.editor()->cursorForPosition(QPoint(0, 0)).blockNumber() + 1;
        QCOMPARE(rows.first().line, first);
        for (int i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].line, rows[i - 1].line + 1);
            QVERIFY(rows[i].top > rows[i - 1].top);
        }
        QVERIFY(rows.last().top < f.editor()->viewport()->height());
    }

    // Typed keys keep the indentation, indent after a line that opens a
    // block and step back for the word that closes it.
    void indentation_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("keeps the line's indentation") << "  x = 1\ny = 2" << "  x = 1\n  y = 2";
        QTest::newRow("function body") << "function f()\nreturn 1\nend" << "function f()\n  return 1\nend";
        QTest::newRow("if, else, end") << "if a then\nb()\nelse\nc()\nend" << "if a then\n  b()\nelse\n  c()\nend";
        QTest::newRow("elseif steps back once") << "if a then\nb()\nelseif c then\nd()\nend" << "if a then\n  b()\nelseif c then\n  d()\nend";
        QTest::newRow("repeat until") << "repeat\nx()\nuntil y" << "repeat\n  x()\nuntil y";
        QTest::newRow("nested loops") << "for i = 1, 2 do\nwhile x do\ny()\nend\nend" << "for i = 1, 2 do\n  while x do\n    y()\n  end\nend";
        QTest::newRow("closed on its own line") << "if a then b() end\nc()" << "if a then b() end\nc()";
        QTest::newRow("words in strings and comments") << "s = \"do\" -- then\nt = 1" << "s = \"do\" -- then\nt = 1";
        QTest::newRow("a name that starts with end") << "function f()\nendless = 1" << "function f()\n  endless = 1";
        // clang-format on
    }

    void indentation()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        MainWindowFixture f;
        f.setText(QString());
        f.editor()->setFocus();
        for (const QChar c : typed) {
            if (c == u'\n')
                QTest::keyClick(f.editor(), Qt::Key_Return);
            else
                QTest::keyClicks(f.editor(), QString(c));
            QCoreApplication::processEvents();
        }
        QCOMPARE(f.editor()->toPlainText(), expected);
    }

    // With the caret on a block keyword or bracket, it and its partner are
    // marked; "|" is the caret, the partner's text is given with its line.
    void matching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("partner"); // "line:text", or "" for none
        // clang-format off
        QTest::newRow("function to end") << "|function f()\n  if x then y() end\nend" << "3:end";
        QTest::newRow("end to function") << "function f()\n  if x then y() end\nen|d" << "1:function";
        QTest::newRow("inner if") << "function f()\n  i|f x then y() end\nend" << "2:end";
        QTest::newRow("while's own do") << "while x d|o\n  do z() end\nend" << "";
        QTest::newRow("while to end") << "whi|le x do\n  do z() end\nend" << "3:end";
        QTest::newRow("repeat to until") << "repeat\n  x()\nunti|l y" << "1:repeat";
        QTest::newRow("brackets") << "x = f(a[1], |{2})" << "1:}";
        QTest::newRow("bracket back") << "x = f(a[1], {2}|)" << "1:(";
        QTest::newRow("in a string") << "s = \"f|unction\"\nend" << "";
        QTest::newRow("in a comment") << "-- if |x\nend" << "";
        QTest::newRow("unclosed") << "|function f()\n  x()" << "";
        QTest::newRow("plain name") << "loc|al x = 1" << "";
        // clang-format on
    }

    void matching()
    {
        QFETCH(QString, text);
        QFETCH(QString, partner);
        const int caret = int(text.indexOf(u'|'));
        text.remove(caret, 1);
        QTextDocument document(text);
        const QList<CaretMarks::Span> spans = CaretMarks::matchAt(document, caret);
        if (partner.isEmpty()) {
            QVERIFY(spans.isEmpty());
            return;
        }
        QCOMPARE(spans.size(), 2);
        QVERIFY(spans[0].start <= caret && caret <= spans[0].start + spans[0].length);
        const QTextBlock block = document.findBlock(spans[1].start);
        QCOMPARE(QStringLiteral("%1:%2")
                     .arg(block.blockNumber() + 1)
                     .arg(text.mid(spans[1].start, spans[1].length)),
                 partner);

        // In the editor both are marked in the match colour under the text.
        MainWindowFixture f;
        f.setText(text);
        f.setCaret(caret);
        const auto marks = f.editor()->backgroundMarks();
        QCOMPARE(marks.size(), 3);
        QCOMPARE(marks[2].range.selectionStart(), spans[1].start);
    }

    // Every colour the editor draws reaches 4.5:1 against what it is drawn
    // on, on a light and on a dark desktop, and follows a palette change
    // made while the window is open.
    void coloursAreReadable_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("dark");
        QPalette light;
        light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
        light.setColor(QPalette::WindowText, Qt::black);
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        light.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xec));
        dark.setColor(QPalette::Base, QColor(0x2d, 0x2d, 0x2d));
        dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xec));
        dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
        QTest::newRow("light") << light << false;
        QTest::newRow("dark") << dark << true;
    }

    void coloursAreReadable()
    {
        QFETCH(QPalette, palette);
        QFETCH(bool, dark);
        MainWindowFixture f;
        f.setText(QStringLiteral("if x = = 1 then end\n"));
        f.setCaret(0); // on "if": its "end" is marked too
        QVERIFY(waitForCheck(supportOf(f)->diagnostics()));
        const QPalette before = QApplication::palette();
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();

        const QColor base = f.editor()->palette().color(QPalette::Base);
        QCOMPARE(base, palette.color(QPalette::Base));
        QList<QColor> codeBackgrounds{base};
        for (const auto &mark : f.editor()->backgroundMarks())
            codeBackgrounds.append(mark.colour);
        QCOMPARE(codeBackgrounds.size(), 4); // the base, the caret's line, "if" and "end"

        struct Pair
        {
            QString element;
            QColor colour;
            QList<QColor> backgrounds;
        };
        QList<Pair> pairs;
        const QStringList kinds = {"keyword", "string", "comment", "number", "upvalue", "library"};
        for (int k = 0; k < kinds.size(); ++k)
            pairs.append(
                {kinds[k],
                 supportOf(f)->highlighter()->format(PluaHighlighter::Kind(k)).foreground().color(),
                 codeBackgrounds});
        const auto marks = f.editor()->extraSelections();
        QCOMPARE(marks.size(), 1);
        pairs.append({"error mark", marks[0].format.underlineColor(), codeBackgrounds});
        const auto *field = f.window->lineStatusBar()->findChild<QLabel *>("pluaErrorField");
        pairs.append({"status error",
                      field->palette().color(QPalette::WindowText),
                      {f.window->lineStatusBar()->palette().color(QPalette::Window)}});
        const LineNumberMargin *margin = supportOf(f)->margin();
        pairs.append({"margin", margin->textColour(), {margin->backgroundColour()}});
        pairs.append({"marked line", margin->markTextColour(), {margin->markFillColour()}});
        const QPalette help = f.window->helpPane()->palette();
        pairs.append({"help pane", help.color(QPalette::Text), {help.color(QPalette::Base)}});
        const QPalette tip = supportOf(f)->codeAssist()->caretTipLabel()->palette();
        pairs.append({"caret tip", tip.color(QPalette::WindowText), {tip.color(QPalette::Window)}});

        QApplication::setPalette(before);
        for (const Pair &pair : pairs) {
            for (const QColor &background : pair.backgrounds) {
                const double ratio = EditorColours::contrast(pair.colour, background);
                QVERIFY2(ratio >= 4.5,
                         qPrintable(QStringLiteral("%1 %2 on %3: %4:1")
                                        .arg(pair.element, pair.colour.name(), background.name())
                                        .arg(ratio, 0, 'f', 1)));
            }
        }
        // The help pane keeps the design's yellow where the desktop is light.
        QCOMPARE(help.color(QPalette::Base) == QColor(255, 255, 192), !dark);
        QCOMPARE(EditorColours::luminance(help.color(QPalette::Base)) < 0.2, dark);
    }
};

QTEST_MAIN(tst_PluaSupport)
#include "tst_pluasupport.moc"
