// The built txt2doc, run the way the editor and a shell run it, with Debian's
// txt2pdbdoc as an independent reader and writer of Palm DOC files.

#include "palmdocdatabase.h"
#include "toolrun.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <random>

namespace {

const QString Tool = QStringLiteral(TXT2DOC_PATH);

using Result = ToolRun;

Result runProgram(const QString &program, const QStringList &args,
                  const QString &stdoutFile = QString())
{
    return runCommand(program, args, {{}, stdoutFile, 120000});
}

Result runTool(const QStringList &args, const QString &stdoutFile = QString())
{
    return runProgram(Tool, args, stdoutFile);
}

QString peer()
{
    return QStandardPaths::findExecutable(QStringLiteral("txt2pdbdoc"));
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every file below dir with its content, to prove a failed run changed nothing.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        // Big files by size and time, not read into memory.
        files.insert(path, !info.isFile()          ? QByteArray("<dir>")
                           : info.size() > 1 << 20 ? QByteArray::number(info.size()) + ' ' +
                                                         info.lastModified().toString().toUtf8()
                                                   : readFile(path));
    }
    return files;
}

QByteArray allBytes()
{
    QByteArray all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    return all;
}

QByteArray luaText(qsizetype size)
{
    QByteArray text;
    QDirIterator it(QStringLiteral("/usr/share/nmap/scripts"), {QStringLiteral("*.nse")},
                    QDir::Files);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString &path : files) {
        text += readFile(path);
        if (text.size() >= size)
            break;
    }
    return text.left(size);
}

QByteArray withCrLf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

QByteArray handheldText(QByteArray text)
{
    return text.replace("\r\n", "\n").replace('\r', '\n');
}

} // namespace

class tst_Txt2DocCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void convert_data();
    void convert();
    void failures_data();
    void failures();
    void peerDocumentsDecode_data();
    void peerDocumentsDecode();
    void decodeToStandardOutput();
    void fullStandardOutputFails();
    void helpAndVersion();
    void longNameIsShortenedWithNote();
    void interruptedWriteKeepsOldFile();
    void oversizedInputIsRefused();
    void largestTextIsAccepted();
    void replacesExistingFileKeepingMode();
    void symbolicLinkIsFollowed_data();
    void symbolicLinkIsFollowed();
    void standardStreams_data();
    void standardStreams();
    void doubleDashEndsOptions();

private:
    QTemporaryDir m_dir;
};

void tst_Txt2DocCli::initTestCase()
{
    QVERIFY2(QFileInfo(Tool).isExecutable(), qPrintable(Tool));
    QVERIFY2(!peer().isEmpty(), "txt2pdbdoc is missing: install the Debian package txt2pdbdoc");
    QVERIFY2(luaText(300000).size() == 300000,
             "no Lua scripts in /usr/share/nmap/scripts: install the Debian package nmap-common");
    QVERIFY(m_dir.isValid());
}

// Files the editor and a shell would hand over; the DOC must read back as the
// text with handheld line ends, by our reader and by txt2pdbdoc.
void tst_Txt2DocCli::convert_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("inputName");
    QTest::addColumn<QString>("outputName");
    QTest::addColumn<QByteArray>("storedName");

    const QString in = QStringLiteral("del.tmp");
    const QString out = QStringLiteral("myproject.prc");
    QTest::newRow("editor text") << withCrLf("--My Project Name.lua\nprint(\"hi\")\n")
                                 << "--My Project Name.lua" << in << out
                                 << QByteArray("--My Project Name.lua");
    QTest::newRow("empty text") << QByteArray() << "--.lua" << in << out << QByteArray("--.lua");
    QTest::newRow("one byte") << QByteArray("x") << "x.lua" << in << out << QByteArray("x.lua");
    QTest::newRow("lone CR and CR LF")
        << QByteArray("a\rb\r\nc\n\rd\r") << "ends.lua" << in << out << QByteArray("ends.lua");
    QTest::newRow("all byte values")
        << allBytes() + allBytes() << "bytes.lua" << in << out << QByteArray("bytes.lua");
    QTest::newRow("exactly 4096 bytes")
        << luaText(4096) << "a.lua" << in << out << QByteArray("a.lua");
    QTest::newRow("4097 bytes") << luaText(4097) << "a.lua" << in << out << QByteArray("a.lua");
    QTest::newRow("lua source, CR LF")
        << withCrLf(luaText(300000)) << "--Scan.lua" << in << out << QByteArray("--Scan.lua");
    QTest::newRow("windows-1252 text and name")
        << QByteArray("-- caf\xE9 \x93quoted\x94 \x80 5\r\n") << QString::fromUtf8("Café €.lua")
        << in << out << QByteArray("Caf\xE9 \x80.lua");
    QTest::newRow("spaces and quotes everywhere")
        << QByteArray("print('x')\r\n") << "it's \"my\" game.lua"
        << "my folder/it's \"in\" put.txt"
        << "out folder/a b \"c\" 'd'.prc" << QByteArray("it's \"my\" game.lua");
    QTest::newRow("output name of 250 bytes")
        << QByteArray("x = 1\r\n") << "long.lua" << in << QString(246, 'o') + ".prc"
        << QByteArray("long.lua");
    QTest::newRow("names that look like options") << QByteArray("x = 1\r\n") << "--help"
                                                  << "in.txt"
                                                  << "--decode" << QByteArray("--help");
}

void tst_Txt2DocCli::convert()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, name);
    QFETCH(QString, inputName);
    QFETCH(QString, outputName);
    QFETCH(QByteArray, storedName);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString inPath = dir.filePath(inputName);
    const QString outPath = dir.filePath(outputName);
    QVERIFY(QDir().mkpath(QFileInfo(inPath).absolutePath()));
    QVERIFY(QDir().mkpath(QFileInfo(outPath).absolutePath()));
    QVERIFY(writeFile(inPath, input));

    // Relative paths from the folder, as a Makefile would give them.
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(Tool, {inputName, outputName, name});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitCode(), 0);

    const QByteArray expected = handheldText(input);
    const QByteArray doc = readFile(outPath);
    const palmdoc::ParsedDatabase parsed =
        palmdoc::parseDatabase(std::vector<std::uint8_t>(doc.begin(), doc.end()));
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    QCOMPARE(QByteArray::fromStdString(parsed.name), storedName);
    QVERIFY(parsed.compressed);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(parsed.text.data()),
                        qsizetype(parsed.text.size())),
             expected);

    // The peer decodes it to the same text.
    const QString decoded = dir.filePath(QStringLiteral("peer.txt"));
    const Result peerRun = runProgram(peer(), {QStringLiteral("-d"), outPath, decoded});
    QCOMPARE(peerRun.exitCode, 0);
    QCOMPARE(readFile(decoded), expected);
    QFile::remove(decoded);

    // Our own decoder gives the same bytes.
    const Result back = runTool({QStringLiteral("--decode"), outPath});
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(back.out, expected);

    // Nothing else appeared: no temporary file is left beside the output.
    QStringList left;
    QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        left << QDir(dir.path()).relativeFilePath(it.next());
    left.sort();
    QStringList want = {inputName, outputName};
    want.sort();
    QCOMPARE(left, want);
}

// Each failure: its exit status, a one-line message naming the file and the
// reason, and no file created, changed or left behind.
void tst_Txt2DocCli::failures_data()
{
    QTest::addColumn<QStringList>("args"); // $D is the test folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString in = QStringLiteral("$D/in.txt");
    const QString old = QStringLiteral("$D/old.prc");
    const QString tryHelp = QStringLiteral("; try 'txt2doc --help'");
    QTest::newRow("missing input")
        << QStringList{"$D/none.txt", old, "a.lua"} << 1
        << "txt2doc: cannot read '$D/none.txt': No such file or directory";
    QTest::newRow("input is a folder") << QStringList{"$D/sub", old, "a.lua"} << 1
                                       << "txt2doc: cannot read '$D/sub': Is a directory";
    QTest::newRow("input under a file")
        << QStringList{"$D/plain/in.txt", old, "a.lua"} << 1
        << "txt2doc: cannot read '$D/plain/in.txt': Not a directory";
    QTest::newRow("output folder missing")
        << QStringList{in, "$D/nodir/out.prc", "a.lua"} << 3
        << "txt2doc: cannot write '$D/nodir/out.prc': No such file or directory";
    QTest::newRow("output under a file")
        << QStringList{in, "$D/plain/out.prc", "a.lua"} << 3
        << "txt2doc: cannot write '$D/plain/out.prc': Not a directory";
    QTest::newRow("output is a folder") << QStringList{in, "$D/sub", "a.lua"} << 3
                                        << "txt2doc: cannot write '$D/sub': Is a directory";
    QTest::newRow("output folder not writable")
        << QStringList{in, "/sys/txt2doc-test.prc", "a.lua"} << 3
        << "txt2doc: cannot write '/sys/txt2doc-test.prc': Permission denied";
    QTest::newRow("disk full") << QStringList{in, "/dev/full", "a.lua"} << 3
                               << "txt2doc: cannot write '/dev/full': No space left on device";
    QTest::newRow("empty name") << QStringList{in, old, ""} << 2
                                << "txt2doc: cannot use '' as the database name: it is empty";
    QTest::newRow("name outside Windows-1252")
        << QStringList{in, old, QString::fromUtf8("中文.lua")} << 2
        << QString::fromUtf8("txt2doc: cannot use '中文.lua' as the database name: it contains "
                             "U+4E2D, which Windows-1252 cannot hold");
    QTest::newRow("name with a line break")
        << QStringList{in, old, "two\nlines.lua"} << 2
        << "txt2doc: cannot use 'two\\x0Alines.lua' as the database name: it contains a control "
           "character (U+000A)";
    QTest::newRow("no arguments") << QStringList{} << 2
                                  << "txt2doc: expected three arguments: INPUT OUTPUT NAME" +
                                         tryHelp;
    QTest::newRow("two arguments")
        << QStringList{in, old} << 2
        << "txt2doc: expected three arguments: INPUT OUTPUT NAME" + tryHelp;
    QTest::newRow("four arguments")
        << QStringList{in, old, "a.lua", "b"} << 2
        << "txt2doc: expected three arguments: INPUT OUTPUT NAME" + tryHelp;
    QTest::newRow("unknown option")
        << QStringList{"-b", "a.lua", in, old} << 2 << "txt2doc: unknown option '-b'" + tryHelp;
    QTest::newRow("help with an argument")
        << QStringList{"--help", in} << 2 << "txt2doc: '--help' takes no arguments" + tryHelp;
    QTest::newRow("output is the input") << QStringList{in, "$D/sub/../in.txt", "a.lua"} << 2
                                         << "txt2doc: cannot write '$D/sub/../in.txt': it is the "
                                            "input file";
    QTest::newRow("decode a text file")
        << QStringList{"--decode", in, "$D/out.txt"} << 1
        << "txt2doc: '$D/in.txt' is not a valid Palm DOC: the file is too short for a Palm "
           "database header (13 bytes)";
    QTest::newRow("decode another database")
        << QStringList{"--decode", "$D/other.pdb"} << 1
        << "txt2doc: '$D/other.pdb' is not a valid Palm DOC: type 'DATA' and creator 'memo' are "
           "not those of a Palm DOC (TEXt, REAd)";
    QTest::newRow("decode a truncated DOC")
        << QStringList{"--decode", "$D/cut.prc", old} << 1
        << "txt2doc: '$D/cut.prc' is not a valid Palm DOC: record 0 gives a text length of 12 "
           "bytes but the text records hold 10";
    QTest::newRow("decode a corrupt DOC")
        << QStringList{"--decode", "$D/corrupt.prc", old} << 1
        << "txt2doc: '$D/corrupt.prc' is not a valid Palm DOC: text record 1: a copy reaches "
           "before the start of its record (at byte 0)";
    QTest::newRow("decode a missing file")
        << QStringList{"--decode", "$D/none.prc"} << 1
        << "txt2doc: cannot read '$D/none.prc': No such file or directory";
    QTest::newRow("decode into a missing folder")
        << QStringList{"--decode", "$D/good.prc", "$D/nodir/x.txt"} << 3
        << "txt2doc: cannot write '$D/nodir/x.txt': No such file or directory";
    QTest::newRow("decode onto a full disk")
        << QStringList{"--decode", "$D/good.prc", "/dev/full"} << 3
        << "txt2doc: cannot write '/dev/full': No space left on device";
    QTest::newRow("output through a loop of links")
        << QStringList{in, "$D/loop1", "a.lua"} << 3
        << "txt2doc: cannot write '$D/loop1': Too many levels of symbolic links";
    QTest::newRow("output link into a missing folder")
        << QStringList{in, "$D/lost.prc", "a.lua"} << 3
        << "txt2doc: cannot write '$D/lost.prc': No such file or directory";
    QTest::newRow("name with a C1 control")
        << QStringList{in, old, QString::fromUtf8("a\u0085b.lua")} << 2
        << "txt2doc: cannot use 'a\\xC2\\x85b.lua' as the database name: it contains U+0085, "
           "which Windows-1252 cannot hold";
    QTest::newRow("input with a terminal escape")
        << QStringList{QString::fromUtf8("$D/x\u009B31m\u001B[0m"), old, "a.lua"} << 1
        << "txt2doc: cannot read '$D/x\\xC2\\x9B31m\\x1B[0m': No such file or directory";
    QTest::newRow("decode an endless device") << QStringList{"--decode", "/dev/zero"} << 1
                                              << "txt2doc: '/dev/zero' is not a valid Palm DOC: "
                                                 "type '?\?\?\?' and creator '?\?\?\?' are not "
                                                 "those of a Palm DOC (TEXt, REAd)";
    QTest::newRow("decode a file larger than any Palm DOC")
        << QStringList{"--decode", "$D/huge.prc"} << 1
        << "txt2doc: '$D/huge.prc' is not a valid Palm DOC: it is too large";
    QTest::newRow("decode without a file")
        << QStringList{"--decode"} << 2 << "txt2doc: --decode expects INPUT [OUTPUT]" + tryHelp;
}

void tst_Txt2DocCli::failures()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString d = dir.path();
    QVERIFY(writeFile(d + "/in.txt", "print(1)\r\nx=2"));
    QVERIFY(writeFile(d + "/old.prc", "the old output"));
    QVERIFY(writeFile(d + "/plain", "a file, not a folder"));
    QVERIFY(QDir(d).mkdir(QStringLiteral("sub")));
    QCOMPARE(runTool({d + "/in.txt", d + "/good.prc", "good.lua"}).exitCode, 0);
    QByteArray doc = readFile(d + "/good.prc");
    QVERIFY(writeFile(d + "/cut.prc", doc.left(doc.size() - 2)));
    QByteArray corrupt = doc;
    corrupt[corrupt.size() - 12] = char(0x80); // the first token of the text record
    corrupt[corrupt.size() - 11] = char(0x08);
    QVERIFY(writeFile(d + "/corrupt.prc", corrupt));
    QByteArray other = doc;
    other.replace(60, 8, "DATAmemo");
    QVERIFY(writeFile(d + "/other.pdb", other));
    // A valid start, then a hole up to one byte past the largest Palm DOC.
    if (args.contains(QStringLiteral("$D/huge.prc"))) {
        QVERIFY(writeFile(d + "/huge.prc", doc));
        QVERIFY(QFile(d + "/huge.prc").resize(qint64(palmdoc::MaxDatabaseSize) + 1));
    }
    QVERIFY(QFile::link(d + "/loop2", d + "/loop1"));
    QVERIFY(QFile::link(d + "/loop1", d + "/loop2"));
    QVERIFY(QFile::link(QStringLiteral("nodir/lost.prc"), d + "/lost.prc"));

    for (QString &arg : args)
        arg.replace(QStringLiteral("$D"), d);
    message.replace(QStringLiteral("$D"), d);

    const QMap<QString, QByteArray> before = snapshot(d);
    const Result result = runTool(args);
    QCOMPARE(QString::fromUtf8(result.err), message + '\n');
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(snapshot(d), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/sys/txt2doc-test.prc")));
}

// Files written by txt2pdbdoc -b, which keeps every byte, read back exactly.
void tst_Txt2DocCli::peerDocumentsDecode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("short") << QByteArray("hello world hello world\n");
    QTest::newRow("one record") << luaText(4096);
    QTest::newRow("lua source") << luaText(200000);
    QTest::newRow("CR LF kept") << withCrLf(luaText(10000));
    QTest::newRow("high bytes") << QByteArray("caf\xE9 \x80\x81\xFF and more caf\xE9 \xE9\xE9\xE9");
    std::mt19937 random(3);
    QByteArray noise;
    for (int i = 0; i < 20000; ++i)
        noise += char(32 + random() % 224);
    QTest::newRow("random bytes") << noise;
}

void tst_Txt2DocCli::peerDocumentsDecode()
{
    QFETCH(QByteArray, text);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString doc = dir.filePath(QStringLiteral("peer.pdb"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeFile(in, text));
    QCOMPARE(
        runProgram(peer(), {QStringLiteral("-b"), QStringLiteral("peer.lua"), in, doc}).exitCode,
        0);
    const Result result = runTool({QStringLiteral("--decode"), doc, out});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(readFile(out), text);
}

void tst_Txt2DocCli::decodeToStandardOutput()
{
    const QString in = m_dir.filePath(QStringLiteral("stdout.txt"));
    const QString doc = m_dir.filePath(QStringLiteral("stdout.prc"));
    QVERIFY(writeFile(in, QByteArray("line one\r\nline two\r\n\x00\xFF", 22)));
    QCOMPARE(runTool({in, doc, QStringLiteral("out.lua")}).exitCode, 0);
    const Result result = runTool({QStringLiteral("--decode"), doc});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, QByteArray("line one\nline two\n\x00\xFF", 20));
}

void tst_Txt2DocCli::fullStandardOutputFails()
{
    const QString in = m_dir.filePath(QStringLiteral("full.txt"));
    const QString doc = m_dir.filePath(QStringLiteral("full.prc"));
    QVERIFY(writeFile(in, luaText(20000)));
    QCOMPARE(runTool({in, doc, QStringLiteral("full.lua")}).exitCode, 0);
    // Decoding to standard output, and converting to it with "-".
    for (const QStringList &args :
         {QStringList{QStringLiteral("--decode"), doc},
          QStringList{in, QStringLiteral("-"), QStringLiteral("a.lua")}}) {
        const Result result = runTool(args, QStringLiteral("/dev/full"));
        QCOMPARE(result.exitCode, 3);
        QCOMPARE(result.err,
                 QByteArray("txt2doc: cannot write to standard output: No space left on device\n"));
    }
}

void tst_Txt2DocCli::helpAndVersion()
{
    const Result help = runTool({QStringLiteral("--help")});
    QCOMPARE(runTool({QStringLiteral("-h")}).out, help.out);
    QCOMPARE(help.exitCode, 0);
    QCOMPARE(help.err, QByteArray());
    QVERIFY(help.out.startsWith("Usage: txt2doc INPUT OUTPUT NAME\n"));
    for (const char *line : {"  0  success", "  1  input error", "  2  usage error",
                             "  3  output error", "  4  out of memory"})
        QVERIFY2(help.out.contains(line), line);

    const Result version = runTool({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("txt2doc "));
    QVERIFY(version.out.endsWith("\n"));
    QCOMPARE(version.out.count('\n'), 1);
}

void tst_Txt2DocCli::longNameIsShortenedWithNote()
{
    const QString in = m_dir.filePath(QStringLiteral("long.txt"));
    const QString doc = m_dir.filePath(QStringLiteral("long.prc"));
    QVERIFY(writeFile(in, "x"));
    const Result result =
        runTool({in, doc, QStringLiteral("--A very long program name for the handheld.lua")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray("txt2doc: note: the database name is shortened to '--A very "
                                    "long program name .lua' (31 bytes at most)\n"));
    QCOMPARE(readFile(doc).left(32), QByteArray("--A very long program name .lua\0", 32));
}

// A write that fails half-way (here the file size limit) leaves the old
// output whole and no temporary file behind.
void tst_Txt2DocCli::interruptedWriteKeepsOldFile()
{
#ifndef Q_OS_LINUX
    QSKIP("needs bash and ulimit");
#endif
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.prc"));
    std::mt19937 random(11);
    QByteArray noise;
    for (int i = 0; i < 100000; ++i)
        noise += char(random());
    QVERIFY(writeFile(in, noise));
    QVERIFY(writeFile(out, "the old output"));
    const QMap<QString, QByteArray> before = snapshot(dir.path());
    // Ignoring SIGXFSZ turns the limit into an EFBIG write error.
    const Result result = runProgram(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\""),
         Tool, in, out, QStringLiteral("big.lua")});
    QCOMPARE(result.exitCode, 3);
    QCOMPARE(result.err, "txt2doc: cannot write '" + out.toUtf8() + "': File too large\n");
    QCOMPARE(snapshot(dir.path()), before);
}

// Over 65534 records of text: refused before reading (the file is over twice
// the limit) or after the line ends are converted.
void tst_Txt2DocCli::oversizedInputIsRefused()
{
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    const qint64 limit = qint64(palmdoc::MaxTextLength);
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(2 * limit + 1)); // sparse
        QFile file2(big);
        QVERIFY(file2.open(QIODevice::WriteOnly) && file2.resize(limit + 1));
    }
    const QString out = dir.filePath(QStringLiteral("out.prc"));
    const Result tooHuge = runTool({huge, out, QStringLiteral("a.lua")});
    QCOMPARE(tooHuge.exitCode, 1);
    QCOMPARE(tooHuge.err, "txt2doc: cannot convert '" + huge.toUtf8() +
                              "': it is too large; a Palm DOC holds at most 268427264 bytes of "
                              "text (65534 records of 4096 bytes)\n");
    const Result tooBig = runTool({big, out, QStringLiteral("a.lua")});
    QCOMPARE(tooBig.exitCode, 1);
    QCOMPARE(tooBig.err, "txt2doc: cannot convert '" + big.toUtf8() +
                             "': its text has 268427265 bytes; a Palm DOC holds at most "
                             "268427264 bytes of text (65534 records of 4096 bytes)\n");
    QVERIFY(!QFileInfo::exists(out));
}

// One byte more than the limit, but a CR LF at the end makes it fit exactly:
// 65534 full text records.
void tst_Txt2DocCli::largestTextIsAccepted()
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("max.txt"));
    const QString out = dir.filePath(QStringLiteral("max.prc"));
    const qint64 limit = qint64(palmdoc::MaxTextLength);
    {
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(limit - 1));
        QVERIFY(file.seek(limit - 1) && file.write("\r\n") == 2);
    }
    const Result result = runTool({in, out, QStringLiteral("max.lua")});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    QFile doc(out);
    QVERIFY(doc.open(QIODevice::ReadOnly));
    const QByteArray header = doc.read(78 + 8);
    QCOMPARE((uchar(header[76]) << 8) | uchar(header[77]), 65535);
    const qint64 record0 = (qint64(uchar(header[78])) << 24) | (uchar(header[79]) << 16) |
                           (uchar(header[80]) << 8) | uchar(header[81]);
    QVERIFY(doc.seek(record0));
    const QByteArray r0 = doc.read(16);
    QCOMPARE(r0.mid(4, 6), QByteArray("\x0F\xFF\xE0\x00\xFF\xFE", 6)); // length, 65534 records
}

void tst_Txt2DocCli::replacesExistingFileKeepingMode()
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.prc"));
    QVERIFY(writeFile(in, "new text"));
    QVERIFY(writeFile(out, "the old output, longer than the new one will be"));
    QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(runTool({in, out, QStringLiteral("a.lua")}).exitCode, 0);
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFileInfo(out).permissions() & others, QFile::Permissions());
    const Result back = runTool({QStringLiteral("--decode"), out});
    QCOMPARE(back.out, QByteArray("new text"));
}

// OUTPUT as a link: the file it points to is written, also when that file
// does not exist yet, and the link stays a link.
void tst_Txt2DocCli::symbolicLinkIsFollowed_data()
{
    QTest::addColumn<QStringList>("links"); // pairs of link name and where it points
    QTest::addColumn<QString>("written");   // the file that must hold the DOC
    QTest::newRow("to a file") << QStringList{"link.prc", "real.prc"} << "real.prc";
    QTest::newRow("to no file yet") << QStringList{"link.prc", "new.prc"} << "new.prc";
    QTest::newRow("to no file yet in another folder")
        << QStringList{"link.prc", "sub/new.prc"} << "sub/new.prc";
    QTest::newRow("absolute, to no file yet") << QStringList{"link.prc", "$D/abs.prc"} << "abs.prc";
    QTest::newRow("through a link in a linked folder")
        << QStringList{"link.prc", "subl/inner.prc", "sub/inner.prc", "../deep.prc"} << "deep.prc";
}

void tst_Txt2DocCli::symbolicLinkIsFollowed()
{
#ifndef Q_OS_UNIX
    QSKIP("symbolic links need no special rights only on Unix");
#endif
    QFETCH(QStringList, links);
    QFETCH(QString, written);
    QTemporaryDir dir;
    const QDir d(dir.path());
    QVERIFY(d.mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(QStringLiteral("sub"), d.filePath(QStringLiteral("subl"))));
    QVERIFY(writeFile(d.filePath(QStringLiteral("real.prc")), "old"));
    for (qsizetype i = 0; i + 1 < links.size(); i += 2) {
        QString target = links[i + 1];
        target.replace(QStringLiteral("$D"), dir.path());
        QVERIFY(QFile::link(target, d.filePath(links[i])));
    }
    const QString in = d.filePath(QStringLiteral("in.txt"));
    QVERIFY(writeFile(in, "via a link"));
    const Result result = runTool({in, d.filePath(QStringLiteral("link.prc")), "a.lua"});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    for (qsizetype i = 0; i + 1 < links.size(); i += 2)
        QVERIFY2(QFileInfo(d.filePath(links[i])).isSymLink(), qPrintable(links[i]));
    QCOMPARE(runTool({QStringLiteral("--decode"), d.filePath(written)}).out,
             QByteArray("via a link"));
}

// "-" is standard input as INPUT and standard output as OUTPUT, in both
// directions; "./-" is a file of that name.
void tst_Txt2DocCli::standardStreams_data()
{
    QTest::addColumn<QStringList>("args"); // $D is the test folder
    QTest::addColumn<QString>("stdinFile");
    QTest::addColumn<QString>("result"); // the file holding the output, or "" for stdout
    QTest::addColumn<bool>("isDoc");

    QTest::newRow("convert from a pipe") << QStringList{"-", "$D/out.prc", "a.lua"} << "text.txt"
                                         << "$D/out.prc" << true;
    QTest::newRow("convert into a pipe") << QStringList{"$D/text.txt", "-", "a.lua"} << ""
                                         << "" << true;
    QTest::newRow("convert pipe to pipe") << QStringList{"-", "-", "a.lua"} << "text.txt"
                                          << "" << true;
    QTest::newRow("decode from a pipe") << QStringList{"--decode", "-"} << "doc.prc"
                                        << "" << false;
    QTest::newRow("decode pipe to file") << QStringList{"--decode", "-", "$D/out.txt"} << "doc.prc"
                                         << "$D/out.txt" << false;
    QTest::newRow("decode into a pipe named") << QStringList{"--decode", "$D/doc.prc", "-"} << ""
                                              << "" << false;
    QTest::newRow("a file named -") << QStringList{"--decode", "./-", "./-.txt"} << ""
                                    << "$D/-.txt" << false;
}

void tst_Txt2DocCli::standardStreams()
{
    QFETCH(QStringList, args);
    QFETCH(QString, stdinFile);
    QFETCH(QString, result);
    QFETCH(bool, isDoc);

    QTemporaryDir dir;
    const QString d = dir.path();
    const QByteArray text = withCrLf(luaText(20000)) + QByteArray("\x00\xFF", 2);
    QVERIFY(writeFile(d + "/text.txt", text));
    QCOMPARE(runTool({d + "/text.txt", d + "/doc.prc", "doc.lua"}).exitCode, 0);
    QVERIFY(QFile::copy(d + "/doc.prc", d + "/-"));
    for (QString &arg : args)
        arg.replace(QStringLiteral("$D"), d);
    result.replace(QStringLiteral("$D"), d);

    QProcess process;
    process.setWorkingDirectory(d);
    process.setStandardInputFile(stdinFile.isEmpty() ? QProcess::nullDevice()
                                                     : d + u'/' + stdinFile);
    process.start(Tool, args);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QCOMPARE(out.isEmpty(), !result.isEmpty());
    const QByteArray produced = result.isEmpty() ? out : readFile(result);
    if (!isDoc) {
        QCOMPARE(produced, handheldText(text));
        return;
    }
    const palmdoc::ParsedDatabase parsed =
        palmdoc::parseDatabase(std::vector<std::uint8_t>(produced.begin(), produced.end()));
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    QCOMPARE(parsed.name, std::string("a.lua"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(parsed.text.data()),
                        qsizetype(parsed.text.size())),
             handheldText(text));
}

void tst_Txt2DocCli::doubleDashEndsOptions()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("-in.txt")), "dash"));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(Tool, {QStringLiteral("--"), QStringLiteral("-in.txt"),
                         QStringLiteral("-out.prc"), QStringLiteral("-n.lua")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitCode(), 0);
    const Result back =
        runTool({QStringLiteral("--decode"), dir.filePath(QStringLiteral("-out.prc"))});
    QCOMPARE(back.out, QByteArray("dash"));
}

QTEST_GUILESS_MAIN(tst_Txt2DocCli)
#include "tst_txt2doccli.moc"
