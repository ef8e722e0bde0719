// The built plua-run end to end: the corpus of programs with their events,
// printed output and pictures, and the command line's own faults.

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Corpus = QStringLiteral(SCRIVLET_SOURCE_DIR "/tests/run/corpus/device");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ToolRun runPluaRun(const QStringList &args, const QString &workDir)
{
    return runCommand(QStringLiteral(PLUA_RUN_PATH), args, {workDir, {}, 60000});
}

} // namespace

class tst_PluaRun : public QObject
{
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void faults_data();
    void faults();
    void caughtErrorAlertsWithItsTraceback();
    void stopsAnEndlessLoop();
    void breakNeedsALine_data();
    void breakNeedsALine();
    void databasesSurviveTheRun();
    void programSeesTheHandheldsCharacters();
};

void tst_PluaRun::corpus_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = QDir(Corpus).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(names.size() >= 8);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void tst_PluaRun::corpus()
{
    QFETCH(QString, name);
    const QDir source(Corpus + QLatin1Char('/') + name);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    for (const QString &file : {QStringLiteral("program.lua"), QStringLiteral("events.txt")})
        QVERIFY(QFile::copy(source.filePath(file), work.filePath(file)));

    // args.txt: more options for the run, one a line (--break LINE).
    QStringList args{
        QStringLiteral("program.lua"),  QStringLiteral("--events"),  QStringLiteral("events.txt"),
        QStringLiteral("--screenshot"), QStringLiteral("final.png"), QStringLiteral("--databases"),
        QStringLiteral("db"),           QStringLiteral("--timeout"), QStringLiteral("20")};
    for (const QByteArray &line : readFile(source.filePath(QStringLiteral("args.txt"))).split('\n'))
        args += QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
    const ToolRun run = runPluaRun(args, work.path());
    const QByteArray expectedErr = readFile(source.filePath(QStringLiteral("expected.err")));
    QCOMPARE(run.err, expectedErr);
    QCOMPARE(run.exitCode, expectedErr.isEmpty() ? 0 : 1);
    QCOMPARE(run.out, readFile(source.filePath(QStringLiteral("expected.out"))));

    // Every picture the run took, and only those, match the expected ones.
    const QStringList expected = source.entryList({QStringLiteral("*.png")}, QDir::Files);
    QCOMPARE(QDir(work.path()).entryList({QStringLiteral("*.png")}, QDir::Files), expected);
    for (const QString &picture : expected) {
        const QImage want(source.filePath(picture));
        const QImage got(work.filePath(picture));
        QCOMPARE(got.size(), QSize(160, 160));
        QVERIFY2(got.convertToFormat(QImage::Format_RGB32) ==
                     want.convertToFormat(QImage::Format_RGB32),
                 qPrintable(picture + QLatin1String(" differs")));
    }
}

void tst_PluaRun::faults_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("events");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("syntax error") << QByteArray("print(1)\nprint(\"x\"\n") << QByteArray() << 1
                                  << QByteArray("p.lua:3: `)' expected (to close `(' at line 2)\n");
    QTest::newRow("bad argument names the line")
        << QByteArray("pclear()\n\npline(1, 2)\n") << QByteArray() << 1
        << QByteArray("p.lua:3: bad argument #3 to `pline' (number expected, got no value)\n");
    QTest::newRow("bad events line") << QByteArray("pevent()\n") << QByteArray("tap 1 2\nfly\n")
                                     << 2 << QByteArray("ev.txt:2: unknown step \"fly\"\n");
    QTest::newRow("answer without a dialog")
        << QByteArray("pevent()\n") << QByteArray("answer ok\n") << 1
        << QByteArray("ev.txt: line 1: an answer, but the program shows no dialog\n");
    QTest::newRow("dialog without an answer")
        << QByteArray("palert(\"Hi\")\npmenu({\"A\"})\n") << QByteArray("menu 1\n") << 1
        << QByteArray("ev.txt: line 1: the program shows a dialog (\"Hi\"); answer it first\n");
    QTest::newRow("screenshot cannot be written")
        << QByteArray("pevent()\n") << QByteArray("screenshot no/such/dir/x.png\n") << 1
        << QByteArray("ev.txt: line 1: cannot write no/such/dir/x.png: ");

    // Lua 4.0's stack: as deep as it goes and one call deeper, named on
    // the line of the call that had no room.
    QTest::newRow("as deep as 4.0 goes")
        << QByteArray("d = 1000\nfunction h() if d > 0 then d = d - 1 h() end end\nh()\n")
        << QByteArray() << 0 << QByteArray();
    QTest::newRow("recursion past 4.0's stack")
        << QByteArray("function f(n)\n  return 1 +\n    f(n + 1)\nend\nf(1)\n") << QByteArray() << 1
        << QByteArray("p.lua:3: stack overflow\n");
    QTest::newRow("endless return of a call")
        << QByteArray("function f(n)\n  return f(n + 1)\nend\nf(1)\n") << QByteArray() << 1
        << QByteArray("p.lua:2: stack overflow\n");
    QTest::newRow("endless call of call")
        << QByteArray("function f(n)\n  return call(f, {n + 1})\nend\nf(1)\n") << QByteArray() << 1
        << QByteArray("p.lua:2: stack overflow\n");
}

// The default _ALERT writes a caught error, with 4.0's traceback of where
// it was raised, to standard error; a later error still names its own line
// (here after an overflow, whose depth the run must forget).
void tst_PluaRun::caughtErrorAlertsWithItsTraceback()
{
    QTemporaryDir work;
    QVERIFY(writeFile(work.filePath(QStringLiteral("p.lua")),
                      "function f(n) return 1 + f(n + 1) end\nprint(call(f, {1}, \"x\"))\n"
                      "print(\"on\")\n\nx = nil + 1\n"));
    const ToolRun run = runPluaRun({QStringLiteral("p.lua")}, work.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("nil\non\n"));
    QVERIFY2(run.err.startsWith("error: stack overflow\nstack traceback:\n   1:  function `f' "),
             run.err.constData());
    // Deeper than 22 levels: the first eleven, then the last ten.
    QVERIFY2(run.err.contains("\n  11:  function `f' at line 1 [file `p.lua']\n       ...\n"),
             run.err.constData());
    QVERIFY2(run.err.contains(":  function `call' [C]\n"), run.err.constData());
    QVERIFY2(run.err.endsWith(":  main of file `p.lua' at line 2\n"
                              "p.lua:5: attempt to perform arithmetic on a nil value\n"),
             run.err.constData());
}

void tst_PluaRun::faults()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, events);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir work;
    QVERIFY(writeFile(work.filePath(QStringLiteral("p.lua")), program));
    QVERIFY(writeFile(work.filePath(QStringLiteral("ev.txt")), events));
    const ToolRun run =
        runPluaRun({QStringLiteral("p.lua"), QStringLiteral("--events"), QStringLiteral("ev.txt")},
                   work.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(err), run.err.constData());
}

void tst_PluaRun::breakNeedsALine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("err");
    const QByteArray needsLine = "plua-run: --break needs a line number\nTry 'plua-run --help'.\n";
    QTest::newRow("zero") << QStringList{"p.lua", "--break", "0"} << needsLine;
    QTest::newRow("not a number") << QStringList{"p.lua", "--break", "x"} << needsLine;
    QTest::newRow("missing") << QStringList{"p.lua", "--break"} << needsLine;
    QTest::newRow("with --serve")
        << QStringList{"--serve", "--break", "3"}
        << QByteArray("plua-run: --break does not go with --serve: the editor sets its "
                      "breakpoints\nTry 'plua-run --help'.\n");
}

void tst_PluaRun::breakNeedsALine()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, err);
    QTemporaryDir work;
    QVERIFY(writeFile(work.filePath(QStringLiteral("p.lua")), "print(1)\n"));
    const ToolRun run = runPluaRun(args, work.path());
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, err);
    QVERIFY(run.out.isEmpty());
}

void tst_PluaRun::stopsAnEndlessLoop()
{
    QTemporaryDir work;
    QVERIFY(writeFile(work.filePath(QStringLiteral("loop.lua")),
                      "print(\"start\")\nwhile 1 do\n  pset(1, 1)\nend\n"));
    const ToolRun run =
        runPluaRun({QStringLiteral("loop.lua"), QStringLiteral("--timeout"), QStringLiteral("0.3"),
                    QStringLiteral("--screenshot"), QStringLiteral("s.png")},
                   work.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("start\n"));
    QVERIFY2(run.err.startsWith("loop.lua:") &&
                 run.err.endsWith(": time-out: still running after 0.3 s\n"),
             run.err.constData());
    // The picture is still written, showing how far the program got.
    QCOMPARE(QImage(work.filePath(QStringLiteral("s.png"))).pixelColor(1, 1), QColor(Qt::black));
}

void tst_PluaRun::databasesSurviveTheRun()
{
    QTemporaryDir work;
    // The program stops (time-out) without closing its database: what it
    // wrote is kept all the same.
    QVERIFY(writeFile(work.filePath(QStringLiteral("w.lua")),
                      "f = opendb(\"Keep\", \"w\")\nopenrec(f, createrec(f, 3))\n"
                      "write(f, \"abc\")\nwhile 1 do end\n"));
    QVERIFY(writeFile(work.filePath(QStringLiteral("r.lua")),
                      "f = opendb(\"Keep\", \"r\")\nopenrec(f, 0)\nprint(read(f, 3))\n"));
    const QStringList db = {QStringLiteral("--databases"), work.filePath(QStringLiteral("db"))};
    QCOMPARE(runPluaRun(QStringList{QStringLiteral("w.lua"), QStringLiteral("--timeout"),
                                    QStringLiteral("0.3")} +
                            db,
                        work.path())
                 .exitCode,
             1);
    const ToolRun read = runPluaRun(QStringList{QStringLiteral("r.lua")} + db, work.path());
    QCOMPARE(read.err, QByteArray());
    QCOMPARE(read.out, QByteArray("abc\n"));
}

// A file in the editor's Windows-1252 reaches the program byte for byte:
// the euro sign is byte 128 there, as on the handheld.
void tst_PluaRun::programSeesTheHandheldsCharacters()
{
    QTemporaryDir work;
    QVERIFY(writeFile(work.filePath(QStringLiteral("c.lua")),
                      "print(strbyte(\"\x80\"), strlen(\"\x93\xe9\x94\"))\n"));
    const ToolRun run = runPluaRun({QStringLiteral("c.lua")}, work.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, QByteArray("128\t3\n"));
}

QTEST_MAIN(tst_PluaRun)
#include "tst_pluarun.moc"
