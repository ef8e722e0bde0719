// Programs written to break out of the simulator, crash it, hang it or
// flood it, run by the built plua-run: each ends within its time with a
// clear message, and nothing outside the storage folder is touched (the
// run's HOME is a folder of its own, looked at before and after).

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>

namespace {

// Names, sizes and times of everything under `folder`.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_HostilePrograms : public QObject
{
    Q_OBJECT

private slots:
    void endsClearlyAndStaysInside_data();
    void endsClearlyAndStaysInside();
};

void tst_HostilePrograms::endsClearlyAndStaysInside_data()
{
    // @HOME@ and @STORAGE@ stand for the run's folders; `events` goes to
    // events.txt unless it names a special file ("fifo", "/dev/zero", "big").
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err"); // standard error contains it
    QTest::addColumn<QByteArray>("out"); // standard output is it
    QTest::addColumn<int>("seconds");    // ends within
    const QByteArray none;
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
    row("writeto an absolute path")
        << QByteArray("writeto(\"@HOME@/pwned\")") << QString() << 1
        << QByteArray("`writeto' cannot use \"@HOME@/pwned\"") << none << 5;
    row("appendto up and out") << QByteArray("appendto(\"../home/.bashrc\")\nwrite(\"x\")")
                               << QString() << 1
                               << QByteArray("`appendto' cannot use \"../home/.bashrc\"") << none
                               << 5;
    row("openfile through a link leading out")
        << QByteArray("print(openfile(\"out\", \"w\"))") << QString() << 1
        << QByteArray("`openfile' cannot use \"out\": a link that leads out") << none << 5;
    row("readfrom a FIFO") << QByteArray("readfrom(\"fifo\")\nprint(read(\"*a\"))") << QString()
                           << 1 << QByteArray("`readfrom' cannot use \"fifo\": not a file") << none
                           << 5;
    row("a database that is a FIFO")
        << QByteArray("print(opendb(\"fifo\", \"r\"))") << QString() << 0 << none
        << QByteArray("nil\tcannot read @STORAGE@/fifo.txt: not a "
                      "regular file\n")
        << 5;
    row("dofile of a device") << QByteArray("dofile(\"/dev/zero\")") << QString() << 1
                              << QByteArray("`dofile' cannot use \"/dev/zero\"") << none << 5;
    row("rename out of the storage")
        << QByteArray("writeto(\"a\") writeto()\nrename(\"a\", \"@HOME@/a\")") << QString() << 1
        << QByteArray("`rename' cannot use \"@HOME@/a\"") << none << 5;
    row("remove in the home folder") << QByteArray("remove(\"@HOME@/.bashrc\")") << QString() << 1
                                     << QByteArray("`remove' cannot use") << none << 5;
    row("files inside the storage work")
        << QByteArray("local n = tmpname()\nwriteto(n) write(\"hi\") writeto()\n"
                      "readfrom(n) print(read(\"*a\"), strfind(n, \"/\")) readfrom()\n"
                      "print(tag(remove(n)))")
        << QString() << 0 << none << QByteArray("hi\tnil\n0\n") << 5;
    row("getenv") << QByteArray("print(getenv(\"HOME\"), getenv(\"PATH\"))") << QString() << 0
                  << none << QByteArray("nil\tnil\n") << 5;
    row("_STDERR is no file of the host")
        << QByteArray("print(seek(_STDERR, \"end\"))") << QString() << 0 << none
        << QByteArray("nil\tcannot seek the program's output\n") << 5;
    row("string methods") << QByteArray("local s = \"x\"\nprint(s.rep)") << QString() << 1
                          << QByteArray("2: attempt to index local `s' (a string value)") << none
                          << 5;
    row("read with 200 formats")
        << QByteArray("local db = opendb(\"d\", \"w\")\ncreaterec(db, 4)\ncloserec(db)\n"
                      "openrec(db, 0)\nlocal a = {db}\nfor i = 2, 201 do a[i] = \"*a\" end\n"
                      "call(read, a)\nprint(\"read\")")
        << QString() << 0 << none << QByteArray("read\n") << 10;
    row("a chain of 100,000 terms")
        << QByteArray("x = 1" + QByteArray("\n+1 +1 +1 +1 +1 +1 +1 +1 +1 +1").repeated(10000) +
                      "\nprint(x)")
        << QString() << 0 << none << QByteArray("100001\n") << 20;
    row("a chain in dostring") << QByteArray(
                                      "dostring(\"x = 1\" .. strrep(\"+1\\n\", 200000))\nprint(x)")
                               << QString() << 0 << none << QByteArray("200001\n") << 20;
    row("backtracking strfind") << QByteArray(
                                       "strfind(strrep(\"a\", 5000), strrep(\"a*\", 30) .. \"b\")")
                                << QString() << 1 << QByteArray("time-out: still running after 1 s")
                                << none << 4;
    row("backtracking gsub") << QByteArray("gsub(strrep(\"a\", 200000), \"a-a-a-a-a-b\", \"x\")")
                             << QString() << 1 << QByteArray("time-out: still running after 1 s")
                             << none << 4;
    row("tinsert far below") << QByteArray("tinsert({}, -1e9, 1)") << QString() << 1
                             << QByteArray("time-out: still running after 1 s") << none << 4;
    row("tinsert into a huge n") << QByteArray("tinsert({n = 2e9}, 1, 5)") << QString() << 1
                                 << QByteArray("time-out: still running after 1 s") << none << 4;
    row("memory without end") << QByteArray("local s = \"x\"\nwhile 1 do s = s .. s end")
                              << QString() << 1
                              << QByteArray("not enough memory: the program used more than 256 MB")
                              << none << 20;
    // Peak memory stays low: a leak per caught error would show as 150 MB.
    row("a million caught errors")
        << QByteArray("for i = 1, 1000000 do\n"
                      "  call(function() return {} .. \"x\" end, {}, \"x\", function() end)\n"
                      "  call(opendb, {1, {}}, \"x\", function() end)\nend\nprint(\"done\")")
        << QString() << 0 << none << QByteArray("done\n") << 30;
    row("dofile with a syntax error")
        << QByteArray("writeto(\"bad.lua\") write(\"\\n\\nx = = 1\") writeto()\n"
                      "print(dofile(\"bad.lua\"))")
        << QString() << 0
        << QByteArray("error: <expression> expected;\n  last token read: `=' at line 3 in file "
                      "`bad.lua'\n")
        << QByteArray("nil\tsyntax error\n") << 5;
    // 4.0 names a file by the last 67 bytes of a long name in a syntax error.
    const QByteArray longName = QByteArray(70, 'a') + ".lua";
    row("dofile of a long name with a syntax error")
        << QByteArray("writeto(\"" + longName + "\") write(\"x = = 1\") writeto()\n" +
                      "print(dofile(\"" + longName + "\"))")
        << QString() << 0
        << QByteArray("error: <expression> expected;\n  last token read: `=' at line 1 in file "
                      "`..." +
                      longName.right(67) + "'\n")
        << QByteArray("nil\tsyntax error\n") << 5;
    row("events from a device") << QByteArray("pevent()") << QStringLiteral("/dev/zero") << 2
                                << QByteArray("not a regular file") << none << 5;
    row("events from a FIFO") << QByteArray("pevent()") << QStringLiteral("fifo") << 2
                              << QByteArray("not a regular file") << none << 5;
    row("events past 1 MB") << QByteArray("pevent()") << QStringLiteral("big") << 2
                            << QByteArray("larger than 1 MB") << none << 5;
    row("a tap off the screen") << QByteArray("pevent()")
                                << QStringLiteral("tap 2147483647 -2147483648") << 2
                                << QByteArray("1: tap 2147483647 -2147483648 is off the screen")
                                << none << 5;
    row("a menu step without a menu")
        << QByteArray("pevent()") << QStringLiteral("menu 1") << 1
        << QByteArray("line 1: menu 1, but the program has no menu") << none << 5;
    row("a screenshot into a FIFO")
        << QByteArray("pbox(1, 1, 4, 4)\npevent()") << QStringLiteral("screenshot fifo") << 1
        << QByteArray("cannot write fifo: not a regular file") << none << 5;
}

void tst_HostilePrograms::endsClearlyAndStaysInside()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, events);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QFETCH(QByteArray, out);
    QFETCH(int, seconds);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString home = root.filePath(QStringLiteral("home"));
    const QString storage = root.filePath(QStringLiteral("storage"));
    const QString work = root.filePath(QStringLiteral("work"));
    for (const QString &folder : {home, storage, work})
        QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(home + QStringLiteral("/.bashrc"), "# mine\n"));
    QVERIFY(QFile::link(home + QStringLiteral("/.bashrc"), storage + QStringLiteral("/out")));
    for (const char *fifo : {"/fifo", "/fifo.txt"})
        QCOMPARE(::mkfifo(QFile::encodeName(storage + QLatin1String(fifo)).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(work + QStringLiteral("/fifo")).constData(), 0600), 0);
    const auto fill = [&](QByteArray text) {
        return text.replace("@HOME@", QFile::encodeName(home))
            .replace("@STORAGE@", QFile::encodeName(storage));
    };
    program = fill(program);
    err = fill(err);
    out = fill(out);
    QVERIFY(writeFile(work + QStringLiteral("/p.lua"), program));

    // The hanging rows expect plua-run's time-out; the others finish.
    const int timeout = err.contains("time-out") ? 1 : seconds;
    QStringList args = {QStringLiteral("p.lua"), QStringLiteral("--storage"), storage,
                        QStringLiteral("--timeout"), QString::number(timeout)};
    if (events == QLatin1String("big"))
        QVERIFY(writeFile(work + QStringLiteral("/big"), QByteArray(1024 * 1024 + 1, '#')));
    else if (!events.isEmpty() && events != QLatin1String("fifo") && !events.startsWith('/'))
        QVERIFY(writeFile(work + QStringLiteral("/events.txt"), events.toUtf8() + '\n'));
    if (!events.isEmpty()) {
        const bool script = events != QLatin1String("big") && events != QLatin1String("fifo") &&
                            !events.startsWith('/');
        args << QStringLiteral("--events") << (script ? QStringLiteral("events.txt") : events);
    }

    const QStringList homeBefore = snapshot(home);
    QProcess run;
    run.setWorkingDirectory(work);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home); // what a program must not reach
    run.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    run.start(QStringLiteral(PLUA_RUN_PATH), args);
    QVERIFY(run.waitForStarted());
    // The run's peak memory, looked at until it ends.
    qint64 peakKb = 0;
    bool ended = false;
    while (!ended && timer.elapsed() < seconds * 1000) {
        QFile status(QStringLiteral("/proc/%1/status").arg(run.processId()));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peakKb =
                        std::max(peakKb, line.mid(6).trimmed().split(' ').value(0).toLongLong());
        }
        ended = run.waitForFinished(20);
    }
    if (!ended) {
        run.kill();
        run.waitForFinished();
    }
    const QByteArray stderrText = run.readAllStandardError();
    QVERIFY2(ended, stderrText.constData());
    QVERIFY2(timer.elapsed() < seconds * 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QVERIFY2(stderrText.contains(err), stderrText.constData());
    if (err.isEmpty())
        QCOMPARE(stderrText, QByteArray());
    QCOMPARE(run.readAllStandardOutput(), out);
    QCOMPARE(run.exitCode(), exitCode);
    // 256 MB for the program's own memory, 100 MB for any other run.
    const qint64 allowedKb = err.contains("not enough memory") ? 320 * 1024 : 100 * 1024;
    QVERIFY2(peakKb < allowedKb, qPrintable(QString::number(peakKb)));
    QCOMPARE(snapshot(home), homeBefore);
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"home", "storage", "work"}));
}

QTEST_MAIN(tst_HostilePrograms)
#include "tst_hostileprograms.moc"
