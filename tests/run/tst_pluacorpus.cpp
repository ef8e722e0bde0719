// The built plua-run on the differential corpus in corpus/lua40: each
// program's printed output and reported error compared byte for byte with
// what the real Lua 4.0 printed for it, the locale programs again under the
// desktop locales that write numbers or sort text differently.

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <locale.h>

namespace {

const QString Corpus = QStringLiteral(SCRIVLET_SOURCE_DIR "/tests/run/corpus/lua40");
const QStringList Locales = {QStringLiteral("de_DE.UTF-8"), QStringLiteral("pt_BR.UTF-8"),
                             QStringLiteral("en_US.UTF-8")};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows plua-run does not yet agree on, with the reason: "name<TAB>reason".
QHash<QString, QString> knownDifferences()
{
    QHash<QString, QString> known;
    const QList<QByteArray> lines =
        readFile(Corpus + QLatin1String("/known-differences.txt")).split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype tab = line.indexOf('\t');
        if (!line.startsWith('#') && tab > 0)
            known.insert(QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)));
    }
    return known;
}

bool localeInstalled(const QString &name)
{
    const locale_t l = newlocale(LC_ALL_MASK, name.toLatin1().constData(), locale_t(nullptr));
    if (l == locale_t(nullptr))
        return false;
    freelocale(l);
    return true;
}

} // namespace

class tst_PluaCorpus : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithLua40_data();
    void agreesWithLua40();
    void checkerNamesTheSameLine();
};

void tst_PluaCorpus::agreesWithLua40_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("locale"); // empty: the test's own
    const QStringList programs =
        QDir(Corpus).entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name);
    QVERIFY(programs.size() >= 250);
    for (const QString &program : programs) {
        const QString name = program.chopped(4);
        QTest::newRow(qPrintable(name)) << name << QString();
        if (name.startsWith(QLatin1String("loc_"))) {
            for (const QString &locale : Locales)
                QTest::newRow(qPrintable(name + QLatin1Char('@') + locale)) << name << locale;
        }
    }
}

void tst_PluaCorpus::agreesWithLua40()
{
    QFETCH(QString, name);
    QFETCH(QString, locale);
    if (!locale.isEmpty() && !localeInstalled(locale))
        QSKIP(qPrintable(locale + QLatin1String(" is not installed (localedef makes it)")));

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString program = name + QLatin1String(".lua");
    QVERIFY(QFile::copy(Corpus + QLatin1Char('/') + program, work.filePath(program)));

    QProcess process;
    process.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!locale.isEmpty()) {
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PLUA_RUN_PATH),
                  {program, QStringLiteral("--timeout"), QStringLiteral("20")});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    const int exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;

    const QByteArray wantOut = readFile(Corpus + QLatin1Char('/') + name + QLatin1String(".out"));
    const QByteArray wantErr = readFile(Corpus + QLatin1Char('/') + name + QLatin1String(".err"));
    // "*": Lua 4.0 failed without a message of its own (the program's own
    // _ERRORMESSAGE took it, or exit(n)); any message will do.
    const bool anyMessage = wantErr == "*\n";
    const bool agrees = out == wantOut && exitCode == (wantErr.isEmpty() ? 0 : 1) &&
                        (anyMessage ? !err.isEmpty() : err == wantErr);
    const QString why =
        QStringLiteral("%1\n--- Lua 4.0 printed:\n%2%3--- plua-run printed (exit %4):\n%5%6")
            .arg(name, QString::fromUtf8(wantOut), QString::fromUtf8(wantErr))
            .arg(exitCode)
            .arg(QString::fromUtf8(out), QString::fromUtf8(err));
    static const QHash<QString, QString> known = knownDifferences();
    if (known.contains(name))
        QEXPECT_FAIL("", qPrintable(known.value(name)), Continue);
    QVERIFY2(agrees, qPrintable(why));
}

// plua-check prepares the text as plua-run does: every fault it finds is
// the one Lua 4.0 reported, on the same line.
void tst_PluaCorpus::checkerNamesTheSameLine()
{
    const QStringList programs =
        QDir(Corpus).entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name);
    int faults = 0;
    for (const QString &program : programs) {
        const ToolRun check = runCommand(QStringLiteral(PLUA_CHECK_PATH), {program}, {Corpus, {}});
        if (check.exitCode == 0)
            continue;
        ++faults;
        QCOMPARE(check.exitCode, 1);
        const QByteArray wantErr =
            readFile(Corpus + QLatin1Char('/') + program.chopped(4) + QLatin1String(".err"));
        // "NAME.lua:LINE:" of both; plua-check adds a column.
        const QByteArray want = wantErr.left(wantErr.indexOf(':', program.size() + 1) + 1);
        QVERIFY2(!want.isEmpty() && check.out.startsWith(want),
                 qPrintable(program + QLatin1String(": ") + QString::fromUtf8(check.out) +
                            QLatin1String(" vs ") + QString::fromUtf8(wantErr)));
    }
    QVERIFY(faults >= 5);
}

QTEST_MAIN(tst_PluaCorpus)
#include "tst_pluacorpus.moc"
