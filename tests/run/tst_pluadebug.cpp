// The debugger on the engine: where breakpoints and steps stop, what a
// pause shows of the program, expressions in its frames; and on a run
// session, a pause where the program waits and a stop while paused.

#include "run/pluaengine.h"
#include "runsession.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

namespace {

std::string stackText(const DebugSnapshot &s)
{
    std::string out;
    for (const DebugFrame &f : s.frames)
        out += (out.empty() ? "" : " < ") + f.function + ":" + std::to_string(f.line);
    return out;
}

const DebugValue *find(const std::vector<DebugValue> &values, const std::string &name)
{
    for (const DebugValue &v : values)
        if (v.name == name)
            return &v;
    return nullptr;
}

// Runs `program` with `breakpoints`, answering the pauses with `commands`
// in turn (then Continue); gives the stack at each pause.
QStringList pauses(const char *program, std::vector<int> breakpoints,
                   std::vector<DebugCommand> commands, bool afterLoad = false)
{
    PluaEngine engine;
    engine.setOutput([](std::string_view) {});
    QStringList seen;
    std::size_t next = 0;
    engine.setPauseHandler([&](PausedProgram &paused) {
        seen << QString::fromStdString(stackText(paused.snapshot()));
        return next < commands.size() ? commands[next++] : DebugCommand{};
    });
    // Set before the load, only the functions that hold breakpoints hook
    // lines; set later (as while a program runs), every line is hooked.
    if (!afterLoad)
        engine.setBreakpoints(breakpoints);
    if (const auto f = engine.load(program, "p.lua"))
        return {QStringLiteral("load: ") + QString::fromStdString(f->message)};
    if (afterLoad)
        engine.setBreakpoints(breakpoints);
    if (const auto f = engine.run())
        seen << QStringLiteral("run: ") + QString::fromStdString(f->message);
    return seen;
}

using K = DebugCommand::Kind;

constexpr const char *Calls = "function inner(a)\n"    // 1
                              "  local b = a + 1\n"    // 2
                              "  return b\n"           // 3
                              "end\n"                  // 4
                              "function outer(x)\n"    // 5
                              "  local y = inner(x)\n" // 6
                              "  return y * 2\n"       // 7
                              "end\n"                  // 8
                              "-- a comment\n"         // 9
                              "r = outer(1)\n"         // 10
                              "s = outer(2)\n";        // 11

} // namespace

class tst_PluaDebug : public QObject
{
    Q_OBJECT

private slots:
    void stops_data();
    void stops();
    void breakpointsWhereverTheyAre_data();
    void breakpointsWhereverTheyAre();
    void codeLinesAndMovedBreakpoints_data();
    void codeLinesAndMovedBreakpoints();
    void variablesAsLua40ShowsThem();
    void expressionsInAFrame_data();
    void expressionsInAFrame();
    void noHandlerMeansNoStops();
    void sessionPausesWhereTheProgramWaits();
    void stopEndsAPausedProgram();
};

void tst_PluaDebug::stops_data()
{
    QTest::addColumn<QList<int>>("breakpoints");
    QTest::addColumn<QList<int>>("commands"); // DebugCommand::Kind, RunTo's line after it
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("breakpoint hit twice")
        << QList<int>{2} << QList<int>{}
        << QStringList{"inner:2 < outer:6 < main chunk:10", "inner:2 < outer:6 < main chunk:11"};
    QTest::newRow("breakpoint on a comment moves to the next code")
        << QList<int>{9} << QList<int>{} << QStringList{"main chunk:10"};
    QTest::newRow("step over a call")
        << QList<int>{6}
        << QList<int>{int(K::StepOver), int(K::StepOver)}
        // Back in the caller, the rest of line 10 has no line of its own.
        << QStringList{"outer:6 < main chunk:10", "outer:7 < main chunk:10", "main chunk:11",
                       "outer:6 < main chunk:11"};
    QTest::newRow("step into a call")
        << QList<int>{6} << QList<int>{int(K::StepInto)}
        << QStringList{"outer:6 < main chunk:10", "inner:2 < outer:6 < main chunk:10",
                       "outer:6 < main chunk:11"};
    QTest::newRow("step out of a call")
        << QList<int>{2} << QList<int>{int(K::StepOut)}
        << QStringList{"inner:2 < outer:6 < main chunk:10", "outer:7 < main chunk:10",
                       "inner:2 < outer:6 < main chunk:11"};
    QTest::newRow("run to a line")
        << QList<int>{10} << QList<int>{int(K::RunTo), 3}
        << QStringList{"main chunk:10", "inner:3 < outer:6 < main chunk:10"};
}

void tst_PluaDebug::stops()
{
    QFETCH(QList<int>, breakpoints);
    QFETCH(QList<int>, commands);
    QFETCH(QStringList, expected);
    std::vector<DebugCommand> sequence;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        DebugCommand c{static_cast<K>(commands[i]), 0};
        if (c.kind == K::RunTo)
            c.line = commands[++i];
        sequence.push_back(c);
    }
    QCOMPARE(pauses(Calls, {breakpoints.begin(), breakpoints.end()}, sequence), expected);
}

void tst_PluaDebug::breakpointsWhereverTheyAre_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("breakpoint");
    QTest::addColumn<QStringList>("expected");
    const QString oneLine = QStringLiteral("function f(a) return a + 1 end\nx = f(1)\ny = f(2)\n");
    const QStringList inOneLine{"main chunk:1", "f:1 < main chunk:2", "f:1 < main chunk:3"};
    QTest::newRow("function on one line") << oneLine << 1 << inOneLine;
    QTest::newRow("function on one line, set after the load") << oneLine << -1 << inOneLine;
    // After a call of a function without breakpoints, the rest of the one
    // with them still stops; and again when it runs next.
    const QString afterCall =
        QStringLiteral("function g()\n  return 1\nend\nfunction h() return 2 end\n"
                       "function f()\n  local a = g() + h()\n  local b = a + 1\n  return b\nend\n"
                       "f()\nf()\n");
    const QStringList twice{"f:7 < main chunk:10", "f:7 < main chunk:11"};
    QTest::newRow("after calls") << afterCall << 7 << twice;
    QTest::newRow("after calls, set after the load") << afterCall << -7 << twice;
    // A function's first line has no code of its own: its first statement.
    QTest::newRow("a function's first line")
        << afterCall << 5 << QStringList{"f:6 < main chunk:10", "f:6 < main chunk:11"};
}

void tst_PluaDebug::breakpointsWhereverTheyAre()
{
    QFETCH(QString, program);
    QFETCH(int, breakpoint); // negative: set after the load
    QFETCH(QStringList, expected);
    const QByteArray text = program.toLatin1();
    QCOMPARE(pauses(text.constData(), {std::abs(breakpoint)}, {}, breakpoint < 0), expected);
}

void tst_PluaDebug::codeLinesAndMovedBreakpoints_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("stopsAt");
    QTest::newRow("code") << 2 << 2;
    QTest::newRow("a function's end") << 4 << 4;
    QTest::newRow("a comment") << 9 << 10;
    QTest::newRow("past the end") << 30 << 0;
}

void tst_PluaDebug::codeLinesAndMovedBreakpoints()
{
    QFETCH(int, line);
    QFETCH(int, stopsAt);
    QCOMPARE(breakpointLine(pluaCodeLines(Calls), line), stopsAt);
    QVERIFY(pluaCodeLines("x = = 1").empty());
}

void tst_PluaDebug::variablesAsLua40ShowsThem()
{
    const char *program = "count = 0.1 + 0.2\n"
                          "function make(start)\n"
                          "  local t = {n = start, [1] = \"one\", sub = {deep = 1e20}}\n"
                          "  return function(step)\n"
                          "    local true = %t.n\n"
                          "    %t.n = %t.n + step\n"
                          "    return %t.n\n"
                          "  end\n"
                          "end\n"
                          "bump = make(3)\n"
                          "bump(2)\n";
    PluaEngine engine;
    DebugSnapshot snapshot;
    std::string report;
    engine.setPauseHandler([&](PausedProgram &paused) {
        snapshot = paused.snapshot();
        report = breakReport(snapshot);
        return DebugCommand{};
    });
    engine.setBreakpoints({7});
    QVERIFY(!engine.load(program, "p.lua"));
    QVERIFY(!engine.run());
    QCOMPARE(QString::fromStdString(stackText(snapshot)), QStringLiteral("bump:7 < main chunk:11"));
    const DebugFrame &top = snapshot.frames.front();
    // Locals by the names the program gave them, renamed or not.
    QCOMPARE(find(top.locals, "step")->value, std::string("2"));
    QCOMPARE(find(top.locals, "true")->value, std::string("3"));
    // The %upvalue, with the table's entries sorted: numbers, then names.
    const DebugValue *t = find(top.upvalues, "%t");
    QVERIFY(t);
    QCOMPARE(t->type, std::string("table"));
    QVERIFY(t->value.rfind("table: 0x", 0) == 0);
    QCOMPARE(t->children.size(), std::size_t(3));
    QCOMPARE(t->children[0].name + "=" + t->children[0].value, std::string("[1]=one"));
    QCOMPARE(t->children[1].name + "=" + t->children[1].value, std::string("n=5"));
    QCOMPARE(t->children[2].children[0].value, std::string("1e+20"));
    // Globals the program made, not the library's.
    QStringList globals;
    for (const DebugValue &v : snapshot.globals)
        globals << QString::fromStdString(v.name + "=" + (v.type == "number" ? v.value : v.type));
    QCOMPARE(globals, (QStringList{"bump=function", "count=0.3", "make=function"}));
    QCOMPARE(QString::fromStdString(report),
             QStringLiteral("break at line 7\nstack:\n  bump (line 7)\n  main chunk (line 11)\n"
                            "locals:\n  step = 2\n  true = 3\n  %t = table\n    [1] = \"one\"\n"
                            "    n = 5\n    sub = table\n      deep = 1e+20\n"));
}

void tst_PluaDebug::expressionsInAFrame_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::newRow("local") << 0 << "a * 10"
                           << "10";
    QTest::newRow("caller's local") << 1 << "x"
                                    << "1";
    QTest::newRow("global") << 0 << "g .. \"!\""
                            << "seven!";
    QTest::newRow("Lua 4.0 comparison") << 0 << "a < 2"
                                        << "1";
    QTest::newRow("several values") << 0 << "a, g"
                                    << "1, seven";
    QTest::newRow("not Lua 4.0") << 0 << "a ~= nil and true"
                                 << "nil";
    QTest::newRow("syntax error") << 0 << "a +"
                                  << "error: <expression> expected";
    QTest::newRow("run-time error") << 0 << "a .. {}"
                                    << "error: attempt to concat a table value";
}

void tst_PluaDebug::expressionsInAFrame()
{
    QFETCH(int, frame);
    QFETCH(QString, expression);
    QFETCH(QString, result);
    PluaEngine engine;
    std::string got;
    engine.setPauseHandler([&](PausedProgram &paused) {
        got = paused.evaluate(frame, expression.toStdString());
        return DebugCommand{};
    });
    engine.setBreakpoints({2});
    QVERIFY(!engine.load("function f(a)\n  return a\nend\ng = \"seven\"\nlocal x = 1\nf(x)\n",
                         "p.lua"));
    QVERIFY(!engine.run());
    QCOMPARE(QString::fromStdString(got), result);
}

void tst_PluaDebug::noHandlerMeansNoStops()
{
    PluaEngine engine;
    std::string out;
    engine.setOutput([&](std::string_view s) { out += s; });
    engine.setBreakpoints({1});
    engine.requestPause();
    QVERIFY(!engine.load("print(1)\n", "p.lua"));
    QVERIFY(!engine.run());
    QCOMPARE(out, std::string("1\n"));
}

void tst_PluaDebug::sessionPausesWhereTheProgramWaits()
{
    QTemporaryDir storage;
    RunSession session(storage.path());
    QSignalSpy paused(&session, &RunSession::paused);
    QSignalSpy output(&session, &RunSession::output);
    QSignalSpy finished(&session, &RunSession::finished);
    session.start(QStringLiteral("n = 5\nwhile 1 do\n  local e = pevent()\n  print(e)\nend\n"),
                  QStringLiteral("w.lua"));
    QTest::qWait(200);
    session.pause();
    QTRY_COMPARE(paused.size(), 1);
    const auto snapshot = paused.at(0).at(0).value<DebugSnapshot>();
    QCOMPARE(QString::fromStdString(stackText(snapshot)), QStringLiteral("main chunk:3"));
    QCOMPARE(snapshot.globals.size(), std::size_t(1));
    QVERIFY(session.isPaused());
    // Input while paused waits for Continue; the step then stops at the
    // next line, with the event.
    session.device().key('k');
    QTest::qWait(100);
    QCOMPARE(output.size(), 0);
    session.resume({K::StepOver, 0});
    QTRY_COMPARE(paused.size(), 2);
    QCOMPARE(paused.at(1).at(0).value<DebugSnapshot>().line, 4);
    session.resume({});
    QTRY_VERIFY(!output.isEmpty());
    session.stop();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
}

void tst_PluaDebug::stopEndsAPausedProgram()
{
    QTemporaryDir storage;
    RunSession session(storage.path());
    QSignalSpy paused(&session, &RunSession::paused);
    QSignalSpy finished(&session, &RunSession::finished);
    session.setBreakpoints({2});
    session.start(QStringLiteral("while 1 do\n  x = 1\nend\n"), QStringLiteral("s.lua"));
    QTRY_COMPARE(paused.size(), 1);
    session.stop();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
}

QTEST_MAIN(tst_PluaDebug)
#include "tst_pluadebug.moc"
