// The built plua-check, run as a Makefile or a commit hook runs it: the whole
// corpus in one call, files in the editor's encodings, and its usage.

#include "pluacorpus.h"
#include "toolrun.h"

#include "plua/parser.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString Tool = QStringLiteral(PLUA_CHECK_PATH);

using Result = ToolRun;

Result runTool(const QStringList &args, const QString &workDir = QString())
{
    return runCommand(Tool, args, {workDir, {}, 60000});
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

class tst_PluaCheck : public QObject
{
    Q_OBJECT

private slots:
    void wholeCorpusInOneRun();
    void validFilesPass();
    void encodings_data();
    void encodings();
    void usage_data();
    void usage();
    void unreadableFilesAreReported();
    void fileItMayNotReachIsNotCalledMissing();
};

// One line per faulty file, at the expected line, and the same diagnostic as
// the library gives for the same text.
void tst_PluaCheck::wholeCorpusInOneRun()
{
    const QList<PluaCase> cases = loadPluaCorpus();
    QVERIFY(cases.size() > 100);
    QStringList files;
    for (const PluaCase &c : cases)
        files << c.name;
    const Result run = runTool(files, pluaCorpusDir());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    QHash<QString, QString> reported; // file -> "LINE:COL: message"
    const QList<QByteArray> lines = run.out.split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QString text = QString::fromUtf8(line);
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        QVERIFY2(colon > 0, qPrintable(text));
        QVERIFY2(!reported.contains(text.left(colon)), qPrintable(text));
        reported.insert(text.left(colon), text.mid(colon + 1));
    }
    for (const PluaCase &c : cases) {
        const plua::ParseResult lib = plua::parse(
            std::string_view(c.bytes.constData(), static_cast<std::size_t>(c.bytes.size())));
        if (c.valid) {
            QVERIFY2(!reported.contains(c.name),
                     qPrintable(c.name + ": " + reported.value(c.name)));
            continue;
        }
        QVERIFY2(reported.contains(c.name), qPrintable(c.name + " was not reported"));
        const QString line = reported.value(c.name);
        QVERIFY2(line.startsWith(QString::number(c.line) + QLatin1Char(':')),
                 qPrintable(c.name + ": " + line));
        QVERIFY2(line.contains(c.fragment), qPrintable(c.name + ": " + line));
        QVERIFY(!lib.ok());
        const QString expected = QStringLiteral("%1:%2: %3")
                                     .arg(lib.error->line)
                                     .arg(lib.error->column)
                                     .arg(QString::fromStdString(lib.error->message));
        QCOMPARE(line, expected);
    }
}

void tst_PluaCheck::validFilesPass()
{
    QStringList files;
    for (const PluaCase &c : loadPluaCorpus()) {
        if (c.valid)
            files << c.name;
    }
    QVERIFY(files.size() > 40);
    const Result run = runTool(files, pluaCorpusDir());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());
}

// The editor's reading: Windows-1252 unless the bytes are UTF-8 (or UTF-16
// with a mark), and any line-end convention.
void tst_PluaCheck::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected"); // the line after "FILE:", empty when valid

    QTest::newRow("windows-1252 in a string")
        << QByteArray("s = \"caf\xe9 \x80\"\r\n") << QByteArray();
    QTest::newRow("windows-1252 stray character")
        << QByteArray("s = \"caf\xe9\"\r\nx = \xe9") << QByteArray("2:5: <expression> expected");
    QTest::newRow("utf-8 stray character") << QByteArray("s = \"\xe2\x82\xac\"\nx = \xe2\x82\xac")
                                           << QByteArray("2:5: <expression> expected");
    QTest::newRow("utf-16 with a mark")
        << QByteArray("\xff\xfex\0 \0=\0 \0=\0", 12) << QByteArray("1:5: <expression> expected");
    QTest::newRow("cr lf line ends") << QByteArray("s = \"one\"\r\nt = \"two\r\nlines\"\r\n")
                                     << QByteArray("2:5: unfinished string");
    QTest::newRow("lone cr line ends")
        << QByteArray("s = 1\rt = \"two\rlines\"\r") << QByteArray("2:5: unfinished string");
    QTest::newRow("escaped newline with cr lf") << QByteArray("s = \"one\\\r\ntwo\"\r\nx = = 1\r\n")
                                                << QByteArray("3:5: <expression> expected");
}

void tst_PluaCheck::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("p.lua")), bytes));
    const Result run = runTool({QStringLiteral("p.lua")}, dir.path());
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    if (expected.isEmpty()) {
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
    } else {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, "p.lua:" + expected + "\n");
    }
}

void tst_PluaCheck::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("no file") << QStringList() << 2 << QByteArray()
                             << QByteArray("no file to check");
    QTest::newRow("unknown option")
        << QStringList{"-q", "ok.lua"} << 2 << QByteArray() << QByteArray("unknown option '-q'");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: plua-check FILE...")
                          << QByteArray();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("plua-check 1.3")
                             << QByteArray();
    QTest::newRow("dash dash ends options")
        << QStringList{"--", "--help"} << 1 << QByteArray("--help:2:1: <statement> expected")
        << QByteArray();
    QTest::newRow("options only before files")
        << QStringList{"ok.lua", "--version"} << 1 << QByteArray()
        << QByteArray("cannot read --version");
    QTest::newRow("a valid file") << QStringList{"ok.lua"} << 0 << QByteArray() << QByteArray();
}

void tst_PluaCheck::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("ok.lua")), "print(1)\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("--help")), "-- not a program\n+ 1\n"));
    const Result run = runTool(args, dir.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), run.out.constData());
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), run.err.constData());
}

// A missing, binary or folder argument is named on standard error, and the
// other files are still checked.
void tst_PluaCheck::unreadableFilesAreReported()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("bad.lua")), "x = = 1\n"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("binary.lua")), QByteArray("\0\x01\x02\0", 4)));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.lua")));
    const Result run = runTool({"missing.lua", "binary.lua", "folder.lua", "bad.lua"}, dir.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("bad.lua:1:5: <expression> expected\n"));
    QVERIFY2(run.err.contains("cannot read missing.lua"), run.err.constData());
    QVERIFY2(run.err.contains("cannot read binary.lua"), run.err.constData());
    QVERIFY2(run.err.contains("cannot read folder.lua"), run.err.constData());
}

// A file in a folder the user may not enter is there: the message says what
// stops it from being read instead of calling it missing.
void tst_PluaCheck::fileItMayNotReachIsNotCalledMissing()
{
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    const QString file = locked + QStringLiteral("/prog.lua");
    QVERIFY(writeFile(file, "x = 1\n"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    // Root enters every folder: the check runs as nobody, for whom the
    // test's private folder is closed as well.
    const Result run =
        ::geteuid() == 0
            ? runCommand(QStringLiteral("setpriv"),
                         {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups"), Tool, file})
            : runCommand(Tool, {file});
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("Permission denied"), run.err.constData());
    QVERIFY2(!run.err.contains("No such file"), run.err.constData());
}

QTEST_GUILESS_MAIN(tst_PluaCheck)
#include "tst_pluacheck.moc"
