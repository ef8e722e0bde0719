#include "run/handheldspeed.h"
#include "run/pluaengine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <lua.hpp>

#include <chrono>
#include <string>
#include <thread>

// Plua 1 programs run by the engine. Each corpus program has the exact
// output Lua 4.0 gives; a run that fails adds "! LINE: message".
class tst_PluaEngine : public QObject
{
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void stopFromAnotherThread_data();
    void stopFromAnotherThread();
    void raiseNamesTheProgramLine();
    void loadAgainReplacesTheProgram();
    void programBeyondLuaLimits();
    void longFileNameKeepsMessageApart();
    void paceWaitsAndSavesUpOneBurst_data();
    void paceWaitsAndSavesUpOneBurst();
    void runHeldToAHandheldsRate_data();
    void runHeldToAHandheldsRate();
};

namespace {

struct Outcome
{
    std::string output;
    std::optional<PluaEngine::Failure> failure;
};

Outcome runProgram(PluaEngine &engine, const std::string &source)
{
    Outcome o;
    engine.setOutput([&o](std::string_view text) { o.output += text; });
    o.failure = engine.load(source, "prog.lua");
    if (!o.failure)
        o.failure = engine.run();
    return o;
}

QString corpusDir()
{
    return QStringLiteral(SCRIVLET_SOURCE_DIR "/tests/run/corpus/lang");
}

} // namespace

void tst_PluaEngine::corpus_data()
{
    QTest::addColumn<QString>("program");
    const QStringList programs = QDir(corpusDir()).entryList({"*.lua"}, QDir::Files, QDir::Name);
    QVERIFY(programs.size() >= 10);
    for (const QString &p : programs)
        QTest::newRow(qPrintable(p)) << corpusDir() + "/" + p;
}

void tst_PluaEngine::corpus()
{
    QFETCH(QString, program);
    QFile source(program);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QFile expected(program.chopped(4) + ".out");
    QVERIFY2(expected.open(QIODevice::ReadOnly), qPrintable(expected.fileName()));

    // The file functions' names resolve in the handheld's storage.
    QTemporaryDir storage;
    PluaEngine engine;
    engine.setStorageFolder(QFile::encodeName(storage.path()).toStdString());
    const Outcome o = runProgram(engine, source.readAll().toStdString());
    std::string actual = o.output;
    if (o.failure)
        actual += "! " + std::to_string(o.failure->line) + ": " + o.failure->message + "\n";
    QCOMPARE(QString::fromStdString(actual), QString::fromUtf8(expected.readAll()));
}

void tst_PluaEngine::stopFromAnotherThread_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("line");
    // VM instructions a second (0: full speed), and how soon the stop must
    // end the run (0: not timed).
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("while loop") << "x = 0\nwhile 1 do x = x + 1 end" << 2 << 0.0 << 0;
    QTest::newRow("empty loop") << "repeat\nuntil nil" << 2 << 0.0 << 0;
    QTest::newRow("inside a protected call")
        << "call(function()\n  while 1 do end\nend, {}, \"x\")\nprint(\"not reached\")" << 2 << 0.0
        << 0;
    QTest::newRow("inside dostring")
        << "dostring(\"while 1 do end\")\nprint(\"not reached\")" << 1 << 0.0 << 0;
    QTest::newRow("library calls in a loop")
        << "while 1 do\n  s = gsub(strrep(\"ab\", 100), \"a\", \"b\")\nend" << 2 << 0.0 << 0;
    // A thousand instructions take ten seconds: the stop ends the wait.
    QTest::newRow("held to a handheld's speed") << "while 1 do end" << 1 << 100.0 << 400;
}

void tst_PluaEngine::stopFromAnotherThread()
{
    QFETCH(QString, program);
    QFETCH(int, line);
    QFETCH(double, rate);
    QFETCH(int, withinMs);
    PluaEngine engine;
    engine.setInstructionRate(rate);
    std::string output;
    engine.setOutput([&output](std::string_view text) { output += text; });
    QVERIFY(!engine.load(program.toStdString(), "loop.lua"));
    QVERIFY(!engine.stopRequested());
    std::thread stopper([&engine] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        engine.requestStop();
    });
    QElapsedTimer timer;
    timer.start();
    const auto failure = engine.run();
    stopper.join();
    QVERIFY(failure);
    QCOMPARE(QString::fromStdString(failure->message), QStringLiteral("stopped"));
    QCOMPARE(failure->line, line);
    QVERIFY(engine.stopRequested());
    QCOMPARE(QString::fromStdString(output), QString());
    if (withinMs > 0)
        QVERIFY2(timer.elapsed() < withinMs, qPrintable(QString::number(timer.elapsed())));
}

// A library function of the handheld written in C reports its errors at the
// program's line, the way the device library uses the engine.
void tst_PluaEngine::raiseNamesTheProgramLine()
{
    PluaEngine engine;
    lua_register(engine.state(), "fail", [](lua_State *L) {
        lua_pushfstring(L, "no such form: %s", luaL_checkstring(L, 1));
        return PluaEngine::raise(L, lua_tostring(L, -1));
    });
    const Outcome o = runProgram(engine, "print(1)\n\nfunction f()\n  fail(\"x\")\nend\nf()\n");
    QCOMPARE(QString::fromStdString(o.output), QStringLiteral("1\n"));
    QVERIFY(o.failure);
    QCOMPARE(o.failure->line, 4);
    QCOMPARE(QString::fromStdString(o.failure->message), QStringLiteral("no such form: x"));

    // Caught by a protected call, the message carries no position, as in Lua 4.0.
    const Outcome caught = runProgram(
        engine, "print(call(fail, {\"y\"}, \"x\", function(m) print(\"got \" .. m) end))");
    QCOMPARE(QString::fromStdString(caught.output), QStringLiteral("got no such form: y\nnil\n"));
    QVERIFY(!caught.failure);
}

void tst_PluaEngine::loadAgainReplacesTheProgram()
{
    PluaEngine engine;
    std::string output;
    engine.setOutput([&output](std::string_view text) { output += text; });
    QVERIFY(!engine.load("print(\"first\")", "a.lua"));
    QVERIFY(!engine.load("x = 2 print(\"second\", x)", "b.lua"));
    QVERIFY(!engine.run());
    QCOMPARE(QString::fromStdString(output), QStringLiteral("second\t2\n"));
    const auto again = engine.run();
    QVERIFY(again);
    QCOMPARE(again->line, 0);
}

// The handheld takes 250 variables left of one `=`; Lua 5.1 fewer. The
// program is refused at its line with a message that says why.
void tst_PluaEngine::programBeyondLuaLimits()
{
    std::string targets;
    for (int i = 0; i < 250; ++i)
        targets += (i ? ", a" : "a") + std::to_string(i);
    PluaEngine engine;
    const auto failure = engine.load("x = 1\n" + targets + " = 1\n", "big.lua");
    QVERIFY(failure);
    QCOMPARE(failure->line, 2);
    QVERIFY2(failure->message.rfind("the desktop engine cannot run this: ", 0) == 0,
             failure->message.c_str());
    QVERIFY(engine.run());
}

void tst_PluaEngine::longFileNameKeepsMessageApart()
{
    // Lua cuts a long chunk name short in its messages; the line and the
    // message must still come apart from it.
    const std::string name =
        "/home/someone/projects/handheld/games/" + std::string(40, 'x') + ".lua";
    PluaEngine engine;
    QVERIFY(!engine.load("x = 1\nerror(\"boom\")\n", name));
    const auto failure = engine.run();
    QVERIFY(failure);
    QCOMPARE(failure->line, 2);
    QCOMPARE(QString::fromStdString(failure->message), QStringLiteral("boom"));
}

void tst_PluaEngine::paceWaitsAndSavesUpOneBurst_data()
{
    QTest::addColumn<double>("rate");
    // Batches of 1000 instructions reported at these times (ms) ...
    QTest::addColumn<QList<int>>("at");
    // ... each followed by this wait (ms).
    QTest::addColumn<QList<int>>("waits");
    QTest::newRow("full speed") << 0.0 << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
    QTest::newRow("on schedule") << 10000.0 << QList<int>{0, 100, 200} << QList<int>{100, 100, 100};
    QTest::newRow("a slow batch is not waited for")
        << 10000.0 << QList<int>{0, 110, 215} << QList<int>{100, 90, 85};
    QTest::newRow("a long wait gives one burst only")
        << 10000.0 << QList<int>{0, 5000, 5080} << QList<int>{100, 80, 100};
    QTest::newRow("slow handheld") << 1000.0 << QList<int>{0, 1000} << QList<int>{1000, 1000};
}

void tst_PluaEngine::paceWaitsAndSavesUpOneBurst()
{
    QFETCH(double, rate);
    QFETCH(QList<int>, at);
    QFETCH(QList<int>, waits);
    InstructionPace pace;
    pace.setRate(rate);
    const InstructionPace::Clock::time_point start{};
    for (qsizetype i = 0; i < at.size(); ++i) {
        const auto wait = pace.ran(1000, start + std::chrono::milliseconds(at[i]));
        QCOMPARE(std::chrono::round<std::chrono::milliseconds>(wait).count(), waits[i]);
    }
}

void tst_PluaEngine::runHeldToAHandheldsRate_data()
{
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("iterations");
    for (const HandheldSpeed &speed : handheldSpeeds())
        if (speed.rate > 0)
            QTest::newRow(speed.key.c_str())
                << QString::fromStdString(speed.key) << int(speed.rate / 4);
}

// A loop of four VM instructions an iteration (GETGLOBAL, ADD, SETGLOBAL,
// FORLOOP), as many iterations as a quarter of the rate: a second at the
// handheld's pace.
void tst_PluaEngine::runHeldToAHandheldsRate()
{
    QFETCH(QString, speed);
    QFETCH(int, iterations);
    PluaEngine engine;
    engine.setInstructionRate(handheldSpeedRate(speed.toStdString()));
    const std::string program =
        "x = 0\nfor i = 1, " + std::to_string(iterations) + " do x = x + i end\n";
    QElapsedTimer timer;
    timer.start();
    const Outcome o = runProgram(engine, program);
    QVERIFY(!o.failure);
    QVERIFY2(timer.elapsed() > 850 && timer.elapsed() < 1300,
             qPrintable(QString::number(timer.elapsed())));
    PluaEngine fast;
    timer.start();
    QVERIFY(!runProgram(fast, program).failure);
    QVERIFY2(timer.elapsed() < 300, qPrintable(QString::number(timer.elapsed())));
}

QTEST_APPLESS_MAIN(tst_PluaEngine)
#include "tst_pluaengine.moc"
