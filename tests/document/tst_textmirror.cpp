#include "mainwindowfixture.h"

#include "document/textbuffer.h"
#include "document/textmirror.h"
#include "lang/pluasupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTextCharFormat>
#include <QTextDocument>

using Answer = HostServices::Answer;

namespace {

// Bits of program text, with every kind of line break and the characters
// that take two code units or no single byte.
QString randomText(QRandomGenerator &rng, int maxPieces)
{
    static const QStringList pieces = {
        QStringLiteral("local x = 1"),
        QStringLiteral("\n"),
        QStringLiteral("\r\n"),
        QStringLiteral("\r"),
        QStringLiteral("\u2028"),
        QStringLiteral("\u2029"),
        QStringLiteral("\t"),
        QStringLiteral(" "),
        QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"),
        QString::fromUtf8("\xf0\x9f\x98\x80"),
        QStringLiteral("end"),
        QStringLiteral("--"),
    };
    QString text;
    const int count = rng.bounded(1, maxPieces + 1);
    for (int i = 0; i < count; ++i)
        text += pieces[rng.bounded(int(pieces.size()))];
    return text;
}

} // namespace

class tst_TextMirror : public QObject
{
    Q_OBJECT

private slots:
    // Random edits of every kind the editor meets; after each one the copy
    // holds exactly the document's text, and an edit of a few characters
    // was spliced in, not rebuilt from the whole document.
    void followsEveryEdit_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("plua"); // colouring and checking as the user has them
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u})
            QTest::addRow("seed %u, plua %s", seed, seed % 2 ? "off" : "on") << seed << !(seed % 2);
    }

    void followsEveryEdit()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, plua);
        MainWindowFixture f;
        EditorTextEdit *editor = f.editor();
        PluaSupport::of(editor)->setActive(plua);
        QTextDocument *doc = editor->document();
        TextMirror &mirror = editor->textMirror();
        QRandomGenerator rng(seed);
        mirror.text(); // current from here on
        const auto randomPosition = [&] {
            const int end = doc->characterCount() - 1;
            switch (rng.bounded(4)) {
            case 0:
                return 0;
            case 1:
                return end;
            case 2:
                return end / 2;
            default:
                return int(rng.bounded(end + 1));
            }
        };
        for (int step = 0; step < 250; ++step) {
            const int op = rng.bounded(13);
            bool spliced = true; // a few characters: no rebuild
            QTextCursor cursor(doc);
            switch (op) {
            case 0:
            case 1:
                cursor.setPosition(randomPosition());
                cursor.insertText(randomText(rng, 6));
                break;
            case 2: {
                const int a = randomPosition();
                cursor.setPosition(a);
                cursor.setPosition(std::min(a + int(rng.bounded(40)), doc->characterCount() - 1),
                                   QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                break;
            }
            case 3:
                cursor.select(QTextCursor::Document);
                cursor.insertText(randomText(rng, 20));
                spliced = false;
                break;
            case 4:
                editor->setPlainTextAnyBreaks(randomText(rng, 30));
                spliced = false;
                break;
            case 5:
                if (rng.bounded(3) == 0) {
                    editor->clear();
                    spliced = false;
                }
                break;
            case 6:
            case 7:
                op == 6 ? doc->undo() : doc->redo();
                spliced = false;
                break;
            case 8: {
                QString pasted = randomText(rng, 8);
                pasted.replace(QLatin1String("\n"), QLatin1String("\r\n"));
                QGuiApplication::clipboard()->setText(pasted);
                editor->setTextCursor(QTextCursor(doc->findBlock(randomPosition())));
                editor->paste();
                break;
            }
            case 9:
                editor->setTextCursor(QTextCursor(doc->findBlock(randomPosition())));
                QTest::keyClicks(editor, QStringLiteral("ab c"));
                QTest::keyClick(editor, Qt::Key_Return);
                QTest::keyClick(editor, Qt::Key_Backspace);
                QTest::keyClick(editor, Qt::Key_Delete);
                break;
            case 10: {
                // Formatting alone changes no character; one that reaches
                // the last line may count the final separator.
                spliced = false;
                cursor.setPosition(randomPosition());
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                QTextCharFormat bold;
                bold.setFontWeight(QFont::Bold);
                cursor.mergeCharFormat(bold);
                break;
            }
            case 11: {
                // Between the halves of a character outside the BMP.
                const int high = doc->toRawText().indexOf(QChar(0xD83D));
                cursor.setPosition(high < 0 ? randomPosition() : high + 1);
                cursor.insertText(QStringLiteral("x"));
                break;
            }
            default:
                // A paste too large to splice: rebuilt.
                cursor.setPosition(randomPosition());
                cursor.insertText(QString(TextMirror::MaxSplice + 10, u'y'));
                spliced = false;
                break;
            }
            if (rng.bounded(4) == 0)
                QCoreApplication::processEvents(); // the idle rebuild, the colouring
            const int rebuilds = mirror.rebuildCount();
            QVERIFY(mirror.text() == doc->toRawText());
            if (spliced && mirror.rebuildCount() != rebuilds)
                QFAIL(qPrintable(
                    QStringLiteral("step %1: edit %2 was not spliced").arg(step).arg(op)));
        }
    }

    // What Save and Export To .txt write after editing an opened file: the
    // file's bytes, CR LF line ends, Windows-1252, whatever the edit was.
    void savesTheEditedText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("a key in the middle")
            << QByteArray("a\r\nb\r\nc") << 2 << "x" << QByteArray("a\r\nxb\r\nc\r\n");
        QTest::newRow("line breaks of every kind")
            << QByteArray("x") << 1 << "\r\n1\u20282\u20293\r4\n"
            << QByteArray("x\r\n1\r\n2\r\n3\r\n4\r\n\r\n");
        QTest::newRow("empty lines at the end")
            << QByteArray("x\r\n\r\n") << 0 << "-- " << QByteArray("-- x\r\n\r\n");
        QTest::newRow("windows-1252 and C1 controls")
            << QByteArray("\x80\x81\x9d\xff") << 2 << QString::fromUtf8("\xc5\xb8\t")
            << QByteArray("\x80\x81\x9f\t\x9d\xff\r\n");
        QTest::newRow("a large paste")
            << QByteArray("end") << 0 << QString(TextMirror::MaxSplice, u'z') + "\r\n"
            << QByteArray(TextMirror::MaxSplice, 'z') + "\r\nend\r\n";
        QTest::newRow("not storable: old file kept")
            << QByteArray("old\r\n") << 3 << QString::fromUtf8(" \xce\xa9")
            << QByteArray("old\r\n");
    }

    void savesTheEditedText()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, position);
        QFETCH(QString, inserted);
        QFETCH(QByteArray, saved);
        MainWindowFixture f;
        const QString path = f.path("prog.lua");
        MainWindowFixture::writeFile(path, file);
        f.host.messageAnswers << Answer::No;
        f.host.fileAnswers << path;
        f.trigger("mnuFileOpen");
        QCoreApplication::processEvents();
        QTextCursor cursor(f.editor()->document());
        cursor.setPosition(position);
        cursor.insertText(inserted);
        const bool storable = saved != file;
        if (!storable)
            f.host.messageAnswers << Answer::Ok << Answer::Ok;
        f.trigger("mnuFileSave");
        QCOMPARE(MainWindowFixture::readFile(path), saved);
        f.host.fileAnswers << f.path("copy.txt");
        f.trigger("mnutxtExport");
        QCOMPARE(MainWindowFixture::readFile(f.path("copy.txt")),
                 storable ? saved : QByteArray("<missing>"));
        QCOMPARE(f.host.messages.size(), storable ? 1 : 3);
        if (storable)
            QCOMPARE(f.window->document().stagingBuffer().text(), f.text());
        else
            QVERIFY(f.host.messages[1].text.contains(QStringLiteral("on line 1 cannot be stored")));
    }
};

QTEST_MAIN(tst_TextMirror)
#include "tst_textmirror.moc"
