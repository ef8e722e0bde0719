// Colouring as a program is edited: after any edit the colours are those a
// fresh scan of the final text gives, they follow the view in a big program,
// and they never reach the text, the undo history or the modified flag.

#include "lang/pluahighlighter.h"
#include "lang/pluasupport.h"
#include "mainwindowfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

using Ranges = QList<QTextLayout::FormatRange>;

QStringList program(int lines)
{
    QStringList text;
    for (int i = 0; i < lines; ++i)
        text << QStringLiteral("local v%1 = pget(%1, 2) -- pixel %1").arg(i);
    return text;
}

// The colours of every line of `text` scanned from scratch.
QList<Ranges> freshColours(const QString &text)
{
    QTextDocument doc;
    doc.documentLayout();
    PluaHighlighter h(&doc);
    doc.setPlainText(text);
    QList<Ranges> colours;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        colours.append(block.layout()->formats());
    return colours;
}

// The first line of `doc` from `first` on whose colours differ from a fresh
// scan of its text, or -1.
int firstStaleLine(const QTextDocument &doc, int first = 0, int last = INT_MAX)
{
    const QList<Ranges> fresh = freshColours(doc.toPlainText());
    QTextBlock block = doc.findBlockByNumber(first);
    for (int n = first; block.isValid() && n <= last; block = block.next(), ++n)
        if (block.layout()->formats() != fresh[n])
            return n;
    return -1;
}

// The first line shown in `editor` not coloured as a fresh scan colours it,
// or -1.
int firstStaleLineShown(const QPlainTextEdit &editor)
{
    const int top = editor.cursorForPosition(QPoint(0, 0)).blockNumber();
    const int bottom =
        editor.cursorForPosition(QPoint(0, editor.viewport()->height() - 1)).blockNumber();
    return firstStaleLine(*editor.document(), top, bottom);
}

// Applies "LINE,COLUMN,REMOVE,TEXT" (TEXT may hold \n), "undo" or "redo".
void applyEdit(QTextDocument &doc, const QString &edit)
{
    if (edit == QLatin1String("undo")) {
        doc.undo();
        return;
    }
    if (edit == QLatin1String("redo")) {
        doc.redo();
        return;
    }
    const QStringList parts = edit.split(u',');
    QTextCursor cursor(doc.findBlockByNumber(parts[0].toInt()));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, parts[1].toInt());
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, parts[2].toInt());
    cursor.insertText(parts.mid(3).join(u',').replace(QLatin1String("\\n"), QLatin1String("\n")));
}

// Collects what the editor's text area repaints.
class PaintWatcher : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class tst_PluaHighlighter : public QObject
{
    Q_OBJECT

private slots:
    // Edits that change the state later lines start in; after each, every
    // line must be coloured as a fresh scan of the text colours it.
    void editsRecolourAsAFreshScan_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("edits");

        const QString code = program(40).join(u'\n');
        QStringList longString = program(40);
        longString[3] = QStringLiteral("s = [[ start");
        longString[30] = QStringLiteral("end ]] x = 1");
        const QString inString = longString.join(u'\n');

        QTest::newRow("typing [[ then deleting it")
            << code << QStringList{"5,0,0,[", "5,1,0,[", "5,1,1,", "5,0,1,"};
        QTest::newRow("typing [[ and leaving it") << code << QStringList{"5,0,0,[["};
        QTest::newRow("closing a long string early") << inString << QStringList{"10,0,0,]]"};
        QTest::newRow("deleting the ]] that closes") << inString << QStringList{"30,4,2,"};
        QTest::newRow("deleting the [[ that opens") << inString << QStringList{"3,4,2,"};
        QTest::newRow("commenting out the opener") << inString << QStringList{"3,0,0,-- "};
        QTest::newRow("a nested [[ needs two ]]")
            << inString << QStringList{"10,0,0,[[", "20,0,0,]]"};
        QTest::newRow("joining a line that opens with the next")
            << inString << QStringList{"2,0,200,"};
        QTest::newRow("splitting a line inside the string")
            << inString << QStringList{"12,3,0,\\n"};
        QTest::newRow("backslash carries a quote to the next line")
            << code << QStringList{"7,0,0,s = 'a\\", "7,0,7,"};
        QTest::newRow("first line becomes a # line") << code << QStringList{"0,0,0,#", "0,0,1,"};
        QTest::newRow("pasting lines with a string in them")
            << code << QStringList{"8,0,0,x = [[\\none\\ntwo"};
        QTest::newRow("undo and redo of an opener")
            << code << QStringList{"5,0,0,s = [[", "undo", "redo", "undo"};
        QTest::newRow("deleting everything") << inString << QStringList{"0,0,100000,"};
    }

    void editsRecolourAsAFreshScan()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, edits);
        QTextDocument doc;
        doc.documentLayout();
        PluaHighlighter h(&doc);
        doc.setPlainText(text);
        for (const QString &edit : edits) {
            applyEdit(doc, edit);
            QCOMPARE(firstStaleLine(doc), -1);
        }
    }

    // In an editor, lines far from the view wait for it; scrolled to, they
    // show the colours the text above them calls for, even after an edit
    // above changed that.
    void farLinesAreColouredWhenScrolledTo_data()
    {
        QTest::addColumn<QStringList>("edits"); // made at the top, then scrolled down
        QTest::newRow("no edit") << QStringList();
        QTest::newRow("[[ opened at the top") << QStringList{"1,0,0,[["};
        QTest::newRow("[[ typed and deleted") << QStringList{"1,0,0,[[", "1,0,2,"};
        QTest::newRow("undone") << QStringList{"1,0,0,s = [[", "undo"};
    }

    void farLinesAreColouredWhenScrolledTo()
    {
        QFETCH(QStringList, edits);
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        const int lines = 5000;
        f.setText(program(lines).join(u'\n'));
        QCoreApplication::processEvents();
        QTextDocument &doc = *f.editor()->document();
        QVERIFY(!doc.findBlockByNumber(0).layout()->formats().isEmpty());
        QVERIFY(doc.lastBlock().layout()->formats().isEmpty());

        for (const QString &edit : edits) {
            applyEdit(doc, edit);
            QCoreApplication::processEvents();
        }
        QScrollBar *bar = f.editor()->verticalScrollBar();
        for (int value : {bar->maximum(), bar->maximum() / 2}) {
            bar->setValue(value);
            QCoreApplication::processEvents();
            const int top = f.editor()->cursorForPosition(QPoint(0, 0)).blockNumber();
            const int bottom =
                f.editor()
                    ->cursorForPosition(QPoint(0, f.editor()->viewport()->height() - 1))
                    .blockNumber();
            QVERIFY(top > 100);
            QCOMPARE(firstStaleLine(doc, top, bottom), -1);
        }
    }

    // Colours never count as an edit: nothing to undo, nothing modified,
    // the same text; toggling the colours off and on and scrolling keep it.
    void colouringLeavesUndoAndModifiedAlone()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.setText(program(3000).join(u'\n'));
        QTextDocument &doc = *f.editor()->document();
        doc.clearUndoRedoStacks();
        doc.setModified(false);
        const QString text = doc.toPlainText();
        PluaSupport *support = PluaSupport::of(f.editor());
        QVERIFY(support);

        f.editor()->verticalScrollBar()->setValue(2000);
        QCoreApplication::processEvents();
        support->setActive(false);
        support->setActive(true);
        f.editor()->verticalScrollBar()->setValue(0);
        QCoreApplication::processEvents();
        QCOMPARE(doc.availableUndoSteps(), 0);
        QCOMPARE(doc.availableRedoSteps(), 0);
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.toPlainText(), text);

        // One typed edit is one undo step, whatever it recolours.
        f.setCaret(0);
        QTest::keyClicks(f.editor(), "[[");
        QCoreApplication::processEvents();
        QVERIFY(doc.isModified());
        const int steps = doc.availableUndoSteps();
        f.editor()->verticalScrollBar()->setValue(2500);
        QCoreApplication::processEvents();
        QCOMPARE(doc.availableUndoSteps(), steps);
        while (doc.isUndoAvailable())
            doc.undo();
        QCOMPARE(doc.toPlainText(), text);
        QVERIFY(!doc.isModified());
        QCoreApplication::processEvents();
        QCOMPARE(firstStaleLineShown(*f.editor()), -1);
    }

    // A key that changes one line repaints that line, not the whole view:
    // what typing costs does not grow with the colours.
    void typingRepaintsOnlyTheLine()
    {
        MainWindowFixture f;
        f.window->resize(600, 600);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.setText(program(200).join(u'\n'));
        f.setCaret(int(f.editor()->document()->findBlockByNumber(10).position()));
        f.editor()->setFocus();
        QCoreApplication::processEvents();
        PaintWatcher watcher;
        f.editor()->viewport()->installEventFilter(&watcher);
        // A letter, a comment start and a string start: each recolours the line.
        for (const char *keys : {"a", "--", "\""}) {
            watcher.painted = QRegion();
            QTest::keyClicks(f.editor(), keys);
            QCoreApplication::processEvents();
            const QRect area = watcher.painted.boundingRect();
            QVERIFY2(area.height() < f.editor()->viewport()->height() / 4,
                     qPrintable(QStringLiteral("%1: %2 of %3")
                                    .arg(keys)
                                    .arg(area.height())
                                    .arg(f.editor()->viewport()->height())));
        }
        QCOMPARE(firstStaleLineShown(*f.editor()), -1);
    }
};

QTEST_MAIN(tst_PluaHighlighter)
#include "tst_pluahighlighter.moc"
