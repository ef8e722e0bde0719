#include "firstrunmarker.h"
#include "textfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class tst_TextFile : public QObject
{
    Q_OBJECT

private slots:
    void decodesLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb");
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringLiteral("a\r\nb");
        QTest::newRow("cr") << QByteArray("a\rb\r") << QStringLiteral("a\r\nb");
        QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QStringLiteral("a\r\nb\r\nc\r\nd");
        QTest::newRow("empty last line kept") << QByteArray("a\r\n\r\n") << QStringLiteral("a\r\n");
        QTest::newRow("only a line end") << QByteArray("\r\n") << QString();
        QTest::newRow("two line ends") << QByteArray("\n\n") << QStringLiteral("\r\n");
        QTest::newRow("windows-1252")
            << QByteArray("caf\xe9 \x80 \x93q\x94")
            << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d");
        QTest::newRow("utf-8 with non-ASCII") << QByteArray("caf\xc3\xa9 \xe2\x82\xac")
                                              << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac");
        QTest::newRow("utf-8 byte-order mark dropped")
            << QByteArray("\xef\xbb\xbfx = 1") << QStringLiteral("x = 1");
        QTest::newRow("invalid utf-8 falls back to windows-1252")
            << QByteArray("\xc3\xa9\xe9") << QString::fromUtf8("\xc3\x83\xc2\xa9\xc3\xa9");
        QTest::newRow("undefined windows-1252 bytes survive")
            << QByteArray("\x81\x8d\x8f\x90\x9d")
            << QString(QChar(0x81)) + QChar(0x8d) + QChar(0x8f) + QChar(0x90) + QChar(0x9d);
        QTest::newRow("utf-16le with byte-order mark") << QByteArray("\xff\xfe"
                                                                     "a\0\r\0\n\0b\0",
                                                                     10)
                                                       << QStringLiteral("a\r\nb");
        QTest::newRow("control bytes kept")
            << QByteArray("\x01\x1b\x7f") << QStringLiteral("\x01\x1b\x7f");
        // Readings that give characters the handheld cannot store lose to
        // Windows-1252; a byte-order mark counts only when the rest agrees.
        QTest::newRow("windows-1252 that is also utf-8 of an unstorable letter")
            << QByteArray("-- Gru\xdf\xa0Hans") << QString::fromUtf8("-- Gru\xc3\x9f\xc2\xa0Hans");
        QTest::newRow("utf-8 byte-order mark before invalid utf-8")
            << QByteArray("\xef\xbb\xbf\xe9")
            << QString::fromUtf8("\xc3\xaf\xc2\xbb\xc2\xbf\xc3\xa9");
        QTest::newRow("utf-8 byte-order mark twice")
            << QByteArray("\xef\xbb\xbf\xef\xbb\xbfx")
            << QString::fromUtf8("\xc3\xaf\xc2\xbb\xc2\xbf\xc3\xaf\xc2\xbb\xc2\xbfx");
        QTest::newRow("windows-1252 starting with thorn y-umlaut")
            << QByteArray("\xfe\xff"
                          "ab\r\n")
            << QString::fromUtf8("\xc3\xbe\xc3\xbf"
                                 "ab");
        QTest::newRow("windows-1252 starting with y-umlaut thorn")
            << QByteArray("\xff\xfe"
                          "ab\r\n")
            << QString::fromUtf8("\xc3\xbf\xc3\xbe"
                                 "ab");
        QTest::newRow("utf-16be with byte-order mark")
            << QByteArray("\xfe\xff\0a\0\r\0\n\0\xe9", 10) << QString::fromUtf8("a\r\n\xc3\xa9");
    }

    void decodesLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const TextFile::DecodeResult result = TextFile::decode(bytes);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.text, text);
    }

    // UTF-8 that holds a character the handheld cannot store is read as
    // Windows-1252, and the notice names the first such character and line.
    void unstorableUtf8IsNamed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("notice"); // "" for none
        // clang-format off
        QTest::newRow("arrow on line 2") << QByteArray("x = 1\na \xe2\x86\x92 b\n") << "\"\xe2\x86\x92\" (U+2192) on line 2";
        QTest::newRow("character beyond the BMP") << QByteArray("-- \xf0\x9f\x98\x80") << "(U+1F600) on line 1";
        QTest::newRow("storable utf-8") << QByteArray("-- caf\xc3\xa9") << "";
        QTest::newRow("windows-1252 that is also utf-8") << QByteArray("-- Gru\xdf\xa0Hans") << "";
        QTest::newRow("plain windows-1252") << QByteArray("-- caf\xe9") << "";
        // clang-format on
    }

    void unstorableUtf8IsNamed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, notice);
        const TextFile::DecodeResult decoded = TextFile::decode(bytes);
        QVERIFY(decoded.ok());
        if (notice.isEmpty()) {
            QVERIFY2(decoded.notice.isEmpty(), qPrintable(decoded.notice));
            return;
        }
        QVERIFY2(decoded.notice.contains(notice), qPrintable(decoded.notice));
        QCOMPARE(decoded.text, TextFile::fromWindows1252(bytes)
                                   .replace(u'\n', QStringLiteral("\r\n"))
                                   .chopped(bytes.endsWith('\n') ? 2 : 0));
    }

    void refusesWhatCannotBeShown_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("NUL byte") << QByteArray("lua\0binary", 10);
        QTest::newRow("executable header") << QByteArray("\x7f"
                                                         "ELF\x02\x01\x01\0\0\0",
                                                         10);
        QTest::newRow("one huge line") << QByteArray(TextFile::MaxLineLength + 1, 'x');
        QTest::newRow("utf-16 of odd length") << QByteArray("\xff\xfe"
                                                            "a\0b\0c",
                                                            7);
        QTest::newRow("huge last line after short ones")
            << QByteArray("a\nb\n") + QByteArray(TextFile::MaxLineLength + 1, 'x');
    }

    void refusesWhatCannotBeShown()
    {
        QFETCH(QByteArray, bytes);
        const TextFile::DecodeResult result = TextFile::decode(bytes);
        QVERIFY(!result.ok());
        QVERIFY(result.text.isEmpty());
    }

    void acceptsALineAtTheLimit()
    {
        const TextFile::DecodeResult result =
            TextFile::decode(QByteArray(TextFile::MaxLineLength, 'x') + "\r\n");
        QVERIFY(result.ok());
        QCOMPARE(result.text.size(), TextFile::MaxLineLength);
    }

    void encodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("one letter") << QStringLiteral("x") << QByteArray("x\r\n");
        QTest::newRow("empty") << QString() << QByteArray("\r\n");
        QTest::newRow("ends with a line break")
            << QStringLiteral("a\r\n") << QByteArray("a\r\n\r\n");
        QTest::newRow("lf and cr become crlf")
            << QStringLiteral("a\nb\rc") << QByteArray("a\r\nb\r\nc\r\n");
        QTest::newRow("windows-1252 characters")
            << QString::fromUtf8("\xe2\x82\xac \xc3\xa9 \xc5\xb8")
            << QByteArray("\x80 \xe9 \x9f\r\n");
        QTest::newRow("C1 controls round trip") << QString(QChar(0x81)) << QByteArray("\x81\r\n");
        // Runs of plain ASCII are copied in blocks: what ends or breaks a
        // run must come out the same wherever it falls in the block.
        QTest::newRow("breaks at every place in a run")
            << QStringLiteral("1234567\r\n12345678\n123456789\r1234567890\u2028x")
            << QByteArray("1234567\r\n12345678\r\n123456789\r\n1234567890\r\nx\r\n");
        QTest::newRow("tab, DEL and controls inside runs")
            << QStringLiteral("\tif x then\x7f\x01\x1b return end\t")
            << QByteArray("\tif x then\x7f\x01\x1b return end\t\r\n");
        QTest::newRow("windows-1252 at the end of a run")
            << QString::fromUtf8("abcdefg\xe2\x82\xac abcdefgh\xc3\xbf")
            << QByteArray("abcdefg\x80 abcdefgh\xff\r\n");
        QTest::newRow("lone breaks only")
            << QStringLiteral("\n\r\n\r\u2029") << QByteArray("\r\n\r\n\r\n\r\n\r\n");
    }

    void encodes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const TextFile::EncodeResult result = TextFile::encode(text);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.bytes, bytes);
    }

    // A text held in two pieces encodes exactly as the whole, wherever it
    // is cut: inside a CR LF, between the halves of a surrogate pair, in a
    // run of ASCII, next to a character that is refused.
    void encodesTwoPiecesAsOne_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("singleBreaks"); // as a caller would count them
        QTest::newRow("every break") << QStringLiteral("ab\r\ncd\re\nf\u2028g\u2029\r\n\r") << 4;
        QTest::newRow("runs of ASCII")
            << QStringLiteral("0123456789abcdefghij\u2029klmnopqrstuvw") << 1;
        QTest::newRow("windows-1252")
            << QString::fromUtf8("\xe2\x82\xac caf\xc3\xa9\r\n\xc5\xb8") << 0;
        QTest::newRow("emoji on line 2") << QString::fromUtf8("x\u2029ab\xf0\x9f\x98\x80"
                                                              "c")
                                         << 1;
        QTest::newRow("lone high surrogate") << QStringLiteral("a\nb") + QChar(0xD83D) << 0;
        QTest::newRow("NUL on line 3") << QStringLiteral("\r\n\r\n") + QChar(0) << 0;
        QTest::newRow("break count too low") << QStringLiteral("\n\n\n\n\n\n\n\n\n\n") << 1;
    }

    void encodesTwoPiecesAsOne()
    {
        QFETCH(QString, text);
        QFETCH(int, singleBreaks);
        const TextFile::EncodeResult whole = TextFile::encode(text);
        for (qsizetype cut = 0; cut <= text.size(); ++cut) {
            const QStringView view(text);
            const TextFile::EncodeResult pieces =
                TextFile::encode(view.first(cut), view.sliced(cut), singleBreaks);
            QCOMPARE(pieces.bytes, whole.bytes);
            QCOMPARE(pieces.error, whole.error);
        }
        // Lines at the length limit, and over it, counted across the cut.
        const QString atLimit = QString(TextFile::MaxLineLength, u'x');
        for (const QString &longText : {atLimit + text, text + u'x' + atLimit}) {
            const QStringView view(longText);
            for (qsizetype cut :
                 {qsizetype(0), qsizetype(1), longText.size() / 2, longText.size()}) {
                const TextFile::EncodeResult pieces =
                    TextFile::encode(view.first(cut), view.sliced(cut), singleBreaks);
                const TextFile::EncodeResult expected = TextFile::encode(longText);
                QCOMPARE(pieces.bytes, expected.bytes);
                QCOMPARE(pieces.error, expected.error);
            }
        }
    }

    void refusesCharactersTheHandheldCannotStore_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("line");
        QTest::newRow("after a long ASCII run on line 2")
            << QStringLiteral("a\nbcdefghijklmnopqrstuvwxyz") + QChar(0x0100)
            << QString(QChar(0x0100)) << 2;
        QTest::newRow("U+0080, which has no byte of its own")
            << QString(QChar(0x80)) << QString(QChar(0x80)) << 1;
        QTest::newRow("greek on line 2")
            << QString::fromUtf8("a\r\nb \xce\xb1") << QString::fromUtf8("\xce\xb1") << 2;
        QTest::newRow("emoji on line 3") << QString::fromUtf8("\n\nx\xf0\x9f\x98\x80")
                                         << QString::fromUtf8("\xf0\x9f\x98\x80") << 3;
    }

    void refusesCharactersTheHandheldCannotStore()
    {
        QFETCH(QString, text);
        QFETCH(QString, character);
        QFETCH(int, line);
        const TextFile::EncodeResult result = TextFile::encode(text);
        QVERIFY(!result.ok());
        QVERIFY(result.bytes.isEmpty());
        QVERIFY2(result.error.contains(QLatin1Char('"') + character + QLatin1Char('"')),
                 qPrintable(result.error));
        QVERIFY2(result.error.contains(QStringLiteral("line %1").arg(line)),
                 qPrintable(result.error));
    }

    // Whatever Save writes, Open reads back, and saving that again gives the
    // same bytes; what Open would refuse, Save refuses with the reason.
    void programsOwnFileReopens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal"); // empty: saved and reopened
        QTest::newRow("no-break space after sharp s")
            << QString::fromUtf8("-- Gru\xc3\x9f\xc2\xa0Hans") << QString();
        QTest::newRow("starts like a utf-16 mark") << QString::fromUtf8("\xc3\xbf\xc3\xbe"
                                                                        "ab\r\ncd")
                                                   << QString();
        QTest::newRow("starts like a utf-8 mark, then invalid utf-8")
            << QString::fromUtf8("\xc3\xaf\xc2\xbb\xc2\xbf\xc3\xa9t\xc3\xa9") << QString();
        QTest::newRow("line at the limit")
            << QString(TextFile::MaxLineLength, u'x') + QStringLiteral("\r\ny") << QString();
        QTest::newRow("line over the limit")
            << QStringLiteral("a\r\n") + QString(TextFile::MaxLineLength + 1, u'x')
            << QStringLiteral("Line 2 is longer than");
        QTest::newRow("long line before a break")
            << QString(TextFile::MaxLineLength + 1, u'x') + QStringLiteral("\r\n")
            << QStringLiteral("Line 1 is longer than");
        QTest::newRow("NUL from the clipboard")
            << QStringLiteral("a\r\nb") + QChar(0) + QStringLiteral("c")
            << QStringLiteral("Line 2 holds a NUL character");
    }

    void programsOwnFileReopens()
    {
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        const TextFile::EncodeResult saved = TextFile::encode(text);
        if (!refusal.isEmpty()) {
            QVERIFY(!saved.ok());
            QVERIFY(saved.bytes.isEmpty());
            QVERIFY2(saved.error.startsWith(refusal), qPrintable(saved.error));
            QVERIFY(saved.error.endsWith(QStringLiteral("Nothing was saved.")));
            return;
        }
        QVERIFY2(saved.ok(), qPrintable(saved.error));
        const TextFile::DecodeResult opened = TextFile::decode(saved.bytes);
        QVERIFY2(opened.ok(), qPrintable(opened.error));
        QCOMPARE(opened.text, text);
        QCOMPARE(TextFile::encode(opened.text).bytes, saved.bytes);
    }

    // Pipes and devices are refused at once; waiting on them would hang the
    // editor with no window to show for it.
    void onlyRegularFilesAreRead()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("pipe.lua");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QElapsedTimer timer;
        timer.start();
        for (const QString &path :
             {fifo, QStringLiteral("/dev/zero"), QStringLiteral("/dev/null")}) {
            const TextFile::ReadResult read = TextFile::readFile(path);
            QVERIFY2(!read.ok() && !read.notFound, qPrintable(path));
            QVERIFY2(read.error.contains(QStringLiteral("not a regular file")),
                     qPrintable(read.error));
        }
        // Writing to a pipe nobody reads fails instead of waiting.
        QString error;
        QVERIFY(!TextFile::writeFile(fifo, "x\r\n", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(std::filesystem::is_fifo(QFile::encodeName(fifo).toStdString()));
        QVERIFY(timer.elapsed() < 5000);
    }

    void everyByteSurvivesOpenAndSave()
    {
        // Any single-byte file that is not UTF-8 comes back byte for byte.
        QByteArray all;
        for (int b = 1; b < 256; ++b) {
            if (b != '\r' && b != '\n')
                all.append(char(b));
        }
        all.append("\r\n");
        const TextFile::DecodeResult decoded = TextFile::decode(all);
        QVERIFY(decoded.ok());
        QCOMPARE(TextFile::encode(decoded.text).bytes, all);
    }

    void readFileReportsWhy()
    {
        QTemporaryDir dir;
        const TextFile::ReadResult missing = TextFile::readFile(dir.filePath("none.lua"));
        QVERIFY(!missing.ok());
        QVERIFY(missing.notFound);
        const TextFile::ReadResult folder = TextFile::readFile(dir.path());
        QVERIFY(!folder.ok());
        QVERIFY(!folder.notFound);
        QVERIFY(writeRaw(dir.filePath("big.lua"), QByteArray(TextFile::MaxFileBytes + 1, '\n')));
        const TextFile::ReadResult big = TextFile::readFile(dir.filePath("big.lua"));
        QVERIFY(!big.ok());
        QVERIFY(big.error.contains(QStringLiteral("MB")));
    }

    void writeFileIsAtomic()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("prog.lua");
        QVERIFY(writeRaw(path, "old\r\n"));
        QString error;
        QVERIFY(TextFile::writeFile(path, "new\r\n", &error));
        QCOMPARE(readAll(path), QByteArray("new\r\n"));
        // A folder that does not exist: nothing written, a reason given.
        QVERIFY(!TextFile::writeFile(dir.filePath("no/such/prog.lua"), "x", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"prog.lua"});
        if (std::filesystem::is_character_file("/dev/full")) {
            // A full disk: the write fails with a reason, and the device
            // itself is written to, never replaced by a plain file.
            QVERIFY(!TextFile::writeFile("/dev/full", QByteArray(1 << 16, 'x'), &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(std::filesystem::is_character_file("/dev/full"));
        }
    }

    void firstRunMarker_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<none>" for no file
        QTest::addColumn<bool>("over");
        QTest::newRow("no file") << QByteArray("<none>") << false;
        QTest::newRow("1 crlf") << QByteArray("1\r\n") << true;
        QTest::newRow("1 without line end") << QByteArray("1") << true;
        QTest::newRow("1 then more lines") << QByteArray("1\r\nfoo\r\nbar") << true;
        QTest::newRow("1 lf") << QByteArray("1\n") << true;
        QTest::newRow("1 cr") << QByteArray("1\rzzz") << true;
        QTest::newRow("trailing blank") << QByteArray("1 \r\n") << false;
        QTest::newRow("leading blank") << QByteArray(" 1\r\n") << false;
        QTest::newRow("zero") << QByteArray("0\r\n") << false;
        QTest::newRow("empty file") << QByteArray("") << false;
        QTest::newRow("empty first line") << QByteArray("\r\n1\r\n") << false;
    }

    void firstRunMarker()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, over);
        QTemporaryDir programDir, userDir;
        if (content != "<none>")
            QVERIFY(writeRaw(programDir.filePath("settings.ini"), content));
        QCOMPARE(FirstRunMarker::isFirstRunOver(programDir.path(), userDir.path()), over);
    }

    void firstRunMarkerFallsBackToTheUserFolder()
    {
        QTemporaryDir dir;
        // A "program directory" that is a file cannot take the marker.
        const QString notADirectory = dir.filePath("program");
        QVERIFY(writeRaw(notADirectory, "x"));
        const QString user = dir.filePath("user/Scrivlet IDE");
        QVERIFY(!FirstRunMarker::isFirstRunOver(notADirectory, user));
        QVERIFY(FirstRunMarker::write(notADirectory, user));
        QCOMPARE(readAll(user + "/settings.ini"), QByteArray("1\r\n"));
        QVERIFY(FirstRunMarker::isFirstRunOver(notADirectory, user));

        // A marker in the program directory has the last word.
        QTemporaryDir programDir;
        QVERIFY(writeRaw(programDir.filePath("settings.ini"), "0\r\n"));
        QVERIFY(!FirstRunMarker::isFirstRunOver(programDir.path(), user));
        QVERIFY(FirstRunMarker::write(programDir.path(), user));
        QCOMPARE(readAll(programDir.filePath("settings.ini")), QByteArray("1\r\n"));
    }
};

QTEST_APPLESS_MAIN(tst_TextFile)
#include "tst_textfile.moc"
