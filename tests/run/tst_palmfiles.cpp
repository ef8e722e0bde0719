// Palm database files in and out of the simulated storage, through the
// built plua-run: --import, a program, --export, with the files built here
// byte by byte.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

struct Record
{
    quint8 attributes;
    quint32 uniqueId;
    QByteArray bytes;
};

void put(QByteArray &out, qsizetype at, quint32 value, int size)
{
    for (int k = 0; k < size; ++k)
        out[at + k] = static_cast<char>(value >> (8 * (size - 1 - k)));
}

// A record database as a HotSync backup holds it; `modified` and
// `modificationNumber` vary between the files a test compares.
QByteArray pdb(const QList<Record> &records, quint32 modified = 0xB5A1F00D,
               quint32 modificationNumber = 7, quint32 seed = 0x30)
{
    QByteArray out(78 + 8 * records.size() + 2, '\0');
    out.replace(0, 8, "Scores\xe9s"); // a name with a Windows-1252 letter
    put(out, 32, 0x0008, 2);          // back up at sync
    put(out, 34, 3, 2);               // version
    put(out, 36, 0xB5A1E000, 4);
    put(out, 40, modified, 4);
    put(out, 44, 0xB5A1D000, 4);
    put(out, 48, modificationNumber, 4);
    out.replace(60, 8, "DATAPLua");
    put(out, 68, seed, 4);
    put(out, 76, static_cast<quint32>(records.size()), 2);
    for (qsizetype r = 0; r < records.size(); ++r) {
        put(out, 78 + 8 * r, static_cast<quint32>(out.size()), 4);
        put(out, 78 + 8 * r + 4, quint32{records[r].attributes} << 24 | records[r].uniqueId, 4);
        out += records[r].bytes;
    }
    return out;
}

const QList<Record> Backup = {
    {0x00, 0x10, QByteArray("Ann\n42\0", 7)},
    {0x45, 0x2A, QByteArray("\x00\xff\\ \x7f", 5)}, // category 5, dirty
    {0x00, 0x11, QByteArray()},
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

struct Run
{
    int exitCode;
    QByteArray out;
    QByteArray err;
};

Run plua(const QString &dir, const QByteArray &program, const QStringList &arguments)
{
    const QString source = QDir(dir).filePath(QStringLiteral("program.lua"));
    writeFile(source, program);
    QProcess process;
    process.start(QStringLiteral(PLUA_RUN_PATH),
                  QStringList{source, QStringLiteral("--storage"),
                              QDir(dir).filePath(QStringLiteral("storage"))} +
                      arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

quint32 palmNow()
{
    // Seconds since 1904 in local time, as the handheld counts.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<quint32>(timegm(&local) + 2082844800);
}

} // namespace

class tst_PalmFiles : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void damagedFile_data();
    void damagedFile();
    void exportFaults_data();
    void exportFaults();
    void exportsDatabaseOfTheSimulator();
};

void tst_PalmFiles::roundTrip_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("expected"); // with the modification date of `changed`
    QTest::addColumn<bool>("changed");        // the export's modification date is now

    QTest::newRow("unchanged") << QByteArray("print('hello')") << QByteArray("hello\n")
                               << pdb(Backup) << false;
    QTest::newRow("only read") << QByteArray("f, n = opendb('Scores\xe9s', 'r') print(n)\n"
                                             "openrec(f, 0) print(read(f, '*l')) closedb(f)")
                               << QByteArray("3\nAnn\n") << pdb(Backup) << false;
    // A new record gets the next unique id and the dirty mark; the header
    // counts both changes (the new record, the write into it).
    QList<Record> added = Backup;
    added.append({0x40, 0x31, "new"});
    QTest::newRow("a record added")
        << QByteArray(
               "f = opendb('Scores\xe9s', 'r+') openrec(f, 1) print(read(f, 2) == '\\0\\255')\n"
               "closerec(f) i = createrec(f, 3) openrec(f, i) write(f, 'new') closedb(f)")
        << QByteArray("1\n") << pdb(added, 0, 9, 0x31) << true;
}

void tst_PalmFiles::roundTrip()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, expected);
    QFETCH(bool, changed);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.pdb"));
    const QString exported = dir.filePath(QStringLiteral("out.pdb"));
    QVERIFY(writeFile(in, pdb(Backup)));

    const quint32 before = palmNow();
    const Run run = plua(dir.path(), program,
                         {QStringLiteral("--import"), in, QStringLiteral("--export"),
                          QStringLiteral("Scores\u00e9s=") + exported});
    const quint32 after = palmNow();
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, out);
    QByteArray bytes = readFile(exported);
    if (changed && bytes.size() > 44) {
        const quint32 modified = quint32(uchar(bytes[40])) << 24 | uchar(bytes[41]) << 16 |
                                 uchar(bytes[42]) << 8 | uchar(bytes[43]);
        QVERIFY2(modified >= before && modified <= after, qPrintable(QString::number(modified)));
        bytes.replace(40, 4, QByteArray(4, '\0'));
    }
    QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
}

void tst_PalmFiles::damagedFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("message");
    const QByteArray good = pdb(Backup);
    const auto patched = [&good](qsizetype at, const QByteArray &bytes) {
        return QByteArray(good).replace(at, bytes.size(), bytes);
    };
    QTest::newRow("too short") << good.left(60)
                               << QByteArray("the file is too short for a Palm database header "
                                             "(60 bytes)");
    QTest::newRow("name not terminated")
        << patched(0, QByteArray(32, 'N')) << QByteArray("the database name is not terminated");
    QTest::newRow("empty name") << patched(0, QByteArray(8, '\0'))
                                << QByteArray("the database name is empty");
    QTest::newRow("bytes after the name")
        << patched(20, "x")
        << QByteArray("the bytes after the database name's terminating zero are not zero");
    QTest::newRow("resource database")
        << patched(33, "\x09")
        << QByteArray("it is a resource database (an application), not a record database");
    QTest::newRow("app info block")
        << patched(52, QByteArray("\0\0\0\x70", 4))
        << QByteArray("it has an app info block (at byte 112), which the simulated storage "
                      "cannot keep");
    QTest::newRow("count that does not fit")
        << patched(76, "\x01") << QByteArray("the record list runs past the end of the file");
    QTest::newRow("offsets out of order")
        << patched(78 + 16 + 3, "\x67") << QByteArray("record 2 starts before record 1");
    QTest::newRow("offset past the end")
        << patched(78 + 8 + 2, "\x7f") << QByteArray("record 1 starts outside the file's data");
    QTest::newRow("no gap bytes")
        << patched(78 + 3, "\x66")
        << QByteArray("the record list is followed by 0 bytes before the records, not by two "
                      "zero bytes");
    QTest::newRow("records further on")
        << patched(78 + 3, "\x6b")
        << QByteArray("the record list is followed by 5 bytes before the records, not by two "
                      "zero bytes");
}

void tst_PalmFiles::damagedFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    // A good file first: one damaged file imports none.
    const QString good = dir.filePath(QStringLiteral("good.pdb"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.pdb"));
    QVERIFY(writeFile(good, pdb(Backup)));
    QVERIFY(writeFile(damaged, file));
    const Run run = plua(dir.path(), "print('ran')",
                         {QStringLiteral("--import"), good, QStringLiteral("--import"), damaged});
    QCOMPARE(run.err,
             "plua-run: cannot import " + QFile::encodeName(damaged) + ": " + message + '\n');
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(QDir(dir.filePath(QStringLiteral("storage"))).entryList(QDir::Files), QStringList());
}

void tst_PalmFiles::exportFaults_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no such database")
        << QStringList{QStringLiteral("--export"), QStringLiteral("Nothing=@/out.pdb")} << 1
        << QByteArray("plua-run: cannot export \"Nothing\": database not found\n");
    QTest::newRow("a creator that is no four bytes")
        << QStringList{QStringLiteral("--export"), QStringLiteral("Odd=@/out.pdb")} << 1
        << QByteArray("plua-run: cannot export \"Odd\": its creator \"Plua1\" is not four "
                      "characters\n");
    QTest::newRow("no file named")
        << QStringList{QStringLiteral("--export"), QStringLiteral("Odd")} << 2
        << QByteArray("plua-run: --export needs NAME=FILE\nTry 'plua-run --help'.\n");
    QTest::newRow("with --serve") << QStringList{QStringLiteral("--serve"),
                                                 QStringLiteral("--import"),
                                                 QStringLiteral("@/x.pdb")}
                                  << 2
                                  << QByteArray(
                                         "plua-run: --import and --export do not go with --serve\n"
                                         "Try 'plua-run --help'.\n");
}

void tst_PalmFiles::exportFaults()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    arguments.replaceInStrings(QStringLiteral("@"), dir.path());
    const Run run =
        plua(dir.path(), "f = opendb('Odd', 'w', 'Plua1', 'DATA') closedb(f)", arguments);
    QCOMPARE(run.err, message);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.pdb"))));
}

void tst_PalmFiles::exportsDatabaseOfTheSimulator()
{
    // A text file as the simulator has always written it: it loads, and its
    // export is dated by the file, with unique ids 1, 2, ...
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("storage"))));
    const QString text = dir.filePath(QStringLiteral("storage/Old.txt"));
    const QByteArray old = "# Plua record database: one record per line, other bytes as \\xHH\n"
                           "name: Old\ncreator: Abcd\ntype: Data\nrecord: a\\x00\nrecord: \n";
    QVERIFY(writeFile(text, old));
    QFile file(text);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime changed =
        QDateTime::fromString(QStringLiteral("2026-02-03T04:05:06"), Qt::ISODate);
    QVERIFY(file.setFileTime(changed, QFileDevice::FileModificationTime));
    file.close();
    const QString exported = dir.filePath(QStringLiteral("out.pdb"));
    const Run run =
        plua(dir.path(), "", {QStringLiteral("--export"), QStringLiteral("Old=") + exported});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);

    QByteArray expected(78 + 16 + 2, '\0');
    expected.replace(0, 3, "Old");
    const quint32 palmTime = 3852936306; // 2026-02-03 04:05:06
    put(expected, 36, palmTime, 4);
    put(expected, 40, palmTime, 4);
    expected.replace(60, 8, "DataAbcd");
    put(expected, 68, 2, 4);
    put(expected, 76, 2, 2);
    put(expected, 78, 96, 4);
    put(expected, 82, 1, 4);
    put(expected, 86, 98, 4);
    put(expected, 90, 2, 4);
    expected += QByteArray("a\0", 2);
    QCOMPARE(readFile(exported).toHex(' '), expected.toHex(' '));
    // Exporting changes nothing in the storage, and a program's change adds
    // only its record line.
    QCOMPARE(readFile(text), old);
    const Run change = plua(dir.path(), "f = opendb('Old', 'r+') createrec(f, 1) closedb(f)", {});
    QCOMPARE(change.err, QByteArray());
    QCOMPARE(readFile(text), old + "record: \\x00\n");
}

QTEST_GUILESS_MAIN(tst_PalmFiles)
#include "tst_palmfiles.moc"
