// The simulated handheld driven through its Lua library, on a plain Lua 5.1
// state: what programs see of colours, controls, events, dialogs and
// databases.

#include "catalogue.h"
#include "device.h"
#include "eventscript.h"
#include "palmdatabases.h"
#include "pluadevicelib.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <chrono>
#include <memory>
#include <thread>

namespace {

struct LuaRun
{
    std::unique_ptr<lua_State, decltype(&lua_close)> state{luaL_newstate(), &lua_close};
    QByteArray output;

    explicit LuaRun(Device &device)
    {
        luaL_openlibs(state.get());
        registerPluaLibrary(state.get(), device);
        device.setOutput([this](const QByteArray &text) { output += text; });
    }
    // Runs code; returns the error message, empty when it ran through.
    QString run(const QByteArray &code)
    {
        lua_State *L = state.get();
        if (luaL_loadbuffer(L, code.constData(), static_cast<size_t>(code.size()), "=prog") != 0 ||
            lua_pcall(L, 0, 0, 0) != 0) {
            const QString message = QString::fromLatin1(lua_tostring(L, -1));
            lua_pop(L, 1);
            return message;
        }
        return QString();
    }
    QString global(const char *name)
    {
        lua_getglobal(state.get(), name);
        const QString value = lua_isnil(state.get(), -1)
                                  ? QStringLiteral("nil")
                                  : QString::fromLatin1(lua_tostring(state.get(), -1));
        lua_pop(state.get(), 1);
        return value;
    }
};

} // namespace

class tst_PluaDevice : public QObject
{
    Q_OBJECT

private slots:
    void catalogueMatchesBoundFunctions();
    void colours_data();
    void colours();
    void rows_data();
    void rows();
    void drawingReadsBack();
    void controlEvents_data();
    void controlEvents();
    void fieldEditing();
    void peventTimesOutAndStops();
    void formsAnsweredWithThePen_data();
    void formsAnsweredWithThePen();
    void longAlertFitsTheScreen();
    void dialogsAnsweredByScript_data();
    void dialogsAnsweredByScript();
    void databaseRoundTrip();
    void databaseFaults_data();
    void databaseFaults();
    void scriptFaults_data();
    void scriptFaults();
    void serialIsNotAvailable();
    void screenInWords_data();
    void screenInWords();
    void formsInWords_data();
    void formsInWords();
};

// The catalogue lists exactly the functions the handheld's library binds:
// every entry is bound, and every function bound over the device is an
// entry, apart from the language's read and write that it extends to
// databases (the catalogue leaves those to the language's manual).
void tst_PluaDevice::catalogueMatchesBoundFunctions()
{
    Device device;
    LuaRun lua(device);
    lua_State *L = lua.state.get();
    QSet<QByteArray> bound;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        // A bound function carries the device as its first upvalue.
        if (lua_type(L, -2) == LUA_TSTRING && lua_iscfunction(L, -1) &&
            lua_getupvalue(L, -1, 1) != nullptr) {
            if (lua_touserdata(L, -1) == &device)
                bound.insert(QByteArray(lua_tostring(L, -3)));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
    }
    QSet<QByteArray> catalogued;
    for (const Catalogue::Entry &entry : Catalogue::entries()) {
        QByteArray name(entry.listText);
        name.truncate(name.indexOf('('));
        catalogued.insert(name);
    }
    QVERIFY(catalogued.size() >= 60);
    QCOMPARE(catalogued - bound, QSet<QByteArray>());
    QCOMPARE(bound - catalogued, (QSet<QByteArray>{"read", "write"}));
    for (const char *event : {"penDown", "penUp", "penMove", "keyDown", "ctlSelect", "ctlRepeat",
                              "lstSelect", "menuSelect", "nilEvent"})
        QVERIFY2(lua.global(event) != QLatin1String("nil"), event);
}

void tst_PluaDevice::colours_data()
{
    QTest::addColumn<QByteArray>("expression");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pure red is 125") << QByteArray("prgb(255, 0, 0)") << "125";
    QTest::newRow("white is 0") << QByteArray("prgb(255, 255, 255)") << "0";
    QTest::newRow("black is 255") << QByteArray("prgb(0, 0, 0)") << "255";
    QTest::newRow("near red is red") << QByteArray("prgb(250, 10, 5)") << "125";
    QTest::newRow("over 255 clamps") << QByteArray("prgb(999, 0, 0)") << "125";
    QTest::newRow("mode") << QByteArray("table.concat({pmode()}, ',')") << "160,160,8,1";
}

// Where the row after pnl starts, whatever was on the screen before.
void tst_PluaDevice::rows_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("expected");
    QTest::newRow("below the tallest control")
        << QByteArray("pbutton('A') pfield(2, 5, 10) pnl()") << "0,26";
    QTest::newRow("after pdestroy, below the row's top")
        << QByteArray("pbutton('A') pdestroy() pmoveto(0, 0) pnl()") << "0,2";
}

void tst_PluaDevice::rows()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, expected);
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run(program + " x, y = ppos()"), QString());
    QCOMPARE(lua.global("x") + ',' + lua.global("y"), expected);
}

void tst_PluaDevice::colours()
{
    QFETCH(QByteArray, expression);
    QFETCH(QString, expected);
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run("result = " + expression), QString());
    QCOMPARE(lua.global("result"), expected);
}

void tst_PluaDevice::drawingReadsBack()
{
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run("pclear() pset(3, 4, 125) a = pget(3, 4) b = pget(4, 4)"
                     "pline(0, 10, 20, 10) x, y = ppos()"
                     "pmoveto(50, 50) pheading(90) pwalk(10) wx, wy = ppos() w = pget(50, 45)"
                     "print('hi') px, py = ppos()"),
             QString());
    QCOMPARE(lua.global("a"), QStringLiteral("125"));
    QCOMPARE(lua.global("b"), QStringLiteral("0"));
    // Lines end at their second point; the turtle's 90 degrees is up.
    QCOMPARE(lua.global("x") + ',' + lua.global("y"), QStringLiteral("20,10"));
    QCOMPARE(lua.global("wx") + ',' + lua.global("wy"), QStringLiteral("50,40"));
    QCOMPARE(lua.global("w"), QStringLiteral("255"));
    // print ends its line: the cursor is back at the left, one line down.
    QCOMPARE(lua.global("px"), QStringLiteral("0"));
    QVERIFY(lua.global("py").toInt() > 40);
    QCOMPARE(lua.output, QByteArray("hi\n"));
}

void tst_PluaDevice::controlEvents_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("button tap selects")
        << QByteArray("b = pbutton('OK')") << QByteArray("tap 5 5") << "9 1 0";
    QTest::newRow("tap beside a button is a pen event")
        << QByteArray("b = pbutton('OK')") << QByteArray("tap 100 100") << "1 100 100";
    QTest::newRow("checkbox toggles")
        << QByteArray("c = pcheckbox('Sound')") << QByteArray("tap 3 5") << "9 1 1";
    QTest::newRow("list counts from 0")
        << QByteArray("l = plist(3, 8, {'a', 'b', 'c'})") << QByteArray("tap 5 15") << "12 1 1";
    QTest::newRow("key without a field") << QByteArray("pclear()") << QByteArray("key A") << "4 65";
    QTest::newRow("hard button") << QByteArray("pclear()") << QByteArray("button hard1") << "4 516";
    QTest::newRow("menu") << QByteArray("pmenu({'N:New', 'Quit'})") << QByteArray("menu 2")
                          << "21 2";
}

void tst_PluaDevice::controlEvents()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, script);
    QFETCH(QString, expected);
    Device device;
    LuaRun lua(device);
    QString error;
    std::optional<EventScript> events = EventScript::parse(QString::fromLatin1(script), &error);
    QVERIFY2(events, qPrintable(error));
    events->attach(device);
    QCOMPARE(lua.run(setup + "\ne, a, b = pevent() r = e .. ' ' .. (a or '') .. ' ' .. (b or '')"),
             QString());
    QCOMPARE(lua.global("r").trimmed(), expected);
}

void tst_PluaDevice::fieldEditing()
{
    Device device;
    LuaRun lua(device);
    std::optional<EventScript> script =
        EventScript::parse("tap 2 2\ntype abcdef\nkey backspace\ntap 3 45\ntap 3 45\n", nullptr);
    QVERIFY(script);
    script->attach(device);
    QCOMPARE(lua.run("f = pfield(1, 10, 4, 'x') pmoveto(0, 40)"
                     "g = ppbutton('A', 1) h = ppbutton('B', 1) psetstate(h, 1)"
                     "e, id = pevent() text = pgettext(f) s1 = pgetstate(g) sh = pgetstate(h)"
                     "e2, id2 = pevent() s2 = pgetstate(g)"),
             QString());
    // Typing goes to the field (no key events), up to its 4 characters.
    QCOMPARE(lua.global("text"), QStringLiteral("xab"));
    QCOMPARE(lua.global("e"), QStringLiteral("9"));
    QCOMPARE(lua.global("id"), lua.global("g"));
    // Selecting one push button of a group clears the others.
    QCOMPARE(lua.global("s1"), QStringLiteral("1"));
    QCOMPARE(lua.global("sh"), QStringLiteral("0"));
    // A grouped push button stays selected when tapped again.
    QCOMPARE(lua.global("s2"), QStringLiteral("1"));
}

void tst_PluaDevice::peventTimesOutAndStops()
{
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run("e = pevent(20)"), QString());
    QCOMPARE(lua.global("e"), QStringLiteral("0"));
    std::thread stopper([&device] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        device.requestStop();
    });
    const QString message = lua.run("e = pevent()");
    stopper.join();
    QVERIFY2(message.contains(QLatin1String("stopped")), qPrintable(message));
}

// The handheld's forms on its screen answered as a user would: taps on
// their buttons, keys, the Menu and Home buttons, from another thread.
void tst_PluaDevice::formsAnsweredWithThePen_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    const QString open = QStringLiteral("open");
    QTest::newRow("alert OK") << QByteArray("palert('Hi') r = 1") << QStringList{open, "tap 20 148"}
                              << "1";
    QTest::newRow("confirm No") << QByteArray("r = pconfirm('Go?') or 'no'")
                                << QStringList{open, "tap 60 148"} << "no";
    QTest::newRow("confirm Yes by Enter")
        << QByteArray("r = pconfirm('Go?')") << QStringList{open, "key 10"} << "1";
    QTest::newRow("a tap beside the buttons answers nothing")
        << QByteArray("r = pconfirm('Go?')") << QStringList{open, "tap 100 148", "tap 20 148"}
        << "1";
    QTest::newRow("prompt typed and OK")
        << QByteArray("r = pinput('Name', 'Gu')")
        << QStringList{open, "key 8", "key 8", "key 0x42", "key 0x6f", "tap 20 148"} << "Bo";
    QTest::newRow("prompt cancelled") << QByteArray("r = pinput('Name', 'Gu') or 'none'")
                                      << QStringList{open, "key 0x42", "tap 60 148"} << "none";
    QTest::newRow("date: March, then the 15th")
        << QByteArray("y, m, d = pselectdate('Day', 2001, 2, 3) r = y .. '-' .. m .. '-' .. d")
        << QStringList{open, "tap 60 30", "tap 95 92"} << "2001-3-15";
    QTest::newRow("date: the 31st of a short month is its last")
        << QByteArray("y, m, d = pselectdate('Day', 2001, 1, 31) r = y .. '-' .. m .. '-' .. d")
        << QStringList{open, "tap 30 30", "key 10"} << "2001-2-28";
    QTest::newRow("date cancelled") << QByteArray("r = pselectdate('Day', 2001, 2, 3) or 'none'")
                                    << QStringList{open, "tap 20 148"} << "none";
    QTest::newRow("time: an hour on by the page key")
        << QByteArray("h, m = pselecttime('At', 23, 30) r = h .. ':' .. m")
        << QStringList{open, "key 0x0B", "tap 20 148"} << "0:30";
    QTest::newRow("menu from the Menu button")
        << QByteArray("pmenu({'A:One', 'Two'}) e, r = pevent()")
        << QStringList{"menu", "key 0x105", open, "tap 20 30"} << "2";
    QTest::newRow("menu item by its shortcut letter")
        << QByteArray("pmenu({'A:One', 'B:Two'}) e, r = pevent()")
        << QStringList{"menu", "key 0x105", open, "key 0x62"} << "2";
    QTest::newRow("menu from the title")
        << QByteArray("ptitle('T') pmenu({'One', 'Two'}) e, r = pevent()")
        << QStringList{"menu", "tap 3 3", open, "tap 20 18"} << "1";
    QTest::newRow("a tap outside closes the menu")
        << QByteArray("pmenu({'One'}) e, x, y = pevent() r = e .. ',' .. y")
        << QStringList{"menu", "key 0x105", open, "tap 120 120", "tap 5 100"} << "1,100";
    QTest::newRow("Menu without a menu is a key")
        << QByteArray("e, r = pevent()") << QStringList{"key 0x105"} << "261";
    QTest::newRow("Home ends a waiting program")
        << QByteArray("pevent() r = 1") << QStringList{"key 0x108"} << "prog:1: no more input";
    QTest::newRow("Home ends a program in a dialog")
        << QByteArray("pconfirm('Go?') r = 1") << QStringList{open, "key 0x108"}
        << "prog:1: no more input";
}

void tst_PluaDevice::formsAnsweredWithThePen()
{
    QFETCH(QByteArray, program);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    Device device;
    LuaRun lua(device);
    std::thread user([&device, steps] {
        for (const QString &step : steps) {
            const QStringList words = step.split(QLatin1Char(' '));
            // "open" waits for the form to show, "menu" for the program's menu.
            if (words[0] == QLatin1String("open") || words[0] == QLatin1String("menu")) {
                const bool form = words[0] == QLatin1String("open");
                for (int i = 0;
                     i < 5000 && (form ? !device.formOpen() : device.menuItems().isEmpty()); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            } else if (words[0] == QLatin1String("tap")) {
                device.tap(words[1].toInt(), words[2].toInt());
            } else {
                device.key(words[1].toInt(nullptr, 0));
            }
        }
    });
    const QString error = lua.run(program);
    user.join();
    QCOMPARE(error.isEmpty() ? lua.global("r") : error, expected);
    // The program's screen is back as it was under the form.
    QVERIFY(!device.formOpen());
}

// A message longer than the screen keeps the form's title bar on it.
void tst_PluaDevice::longAlertFitsTheScreen()
{
    Device device;
    LuaRun lua(device);
    int titleBar = -1;
    device.setDialogAnswerer([&](const DialogRequest &) {
        titleBar = device.pixel(150, 5);
        return std::optional<DialogAnswer>(DialogAnswer{true, {}, 0, 0, 0});
    });
    QCOMPARE(lua.run("palert(string.rep('word ', 400))"), QString());
    QCOMPARE(titleBar, 255);
    QCOMPARE(device.pixel(150, 5), 0); // the program's screen is back
}

void tst_PluaDevice::dialogsAnsweredByScript_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("confirm yes") << QByteArray("pconfirm('Sure?')") << QByteArray("yes") << "1";
    QTest::newRow("confirm no") << QByteArray("pconfirm('Sure?')") << QByteArray("no") << "nil";
    QTest::newRow("input text") << QByteArray("pinput('Name', 'x')") << QByteArray("text Ann Lee")
                                << "Ann Lee";
    QTest::newRow("input ok keeps initial")
        << QByteArray("pinput('Name', 'x')") << QByteArray("ok") << "x";
    QTest::newRow("input cancel") << QByteArray("pinput('Name')") << QByteArray("cancel") << "nil";
    QTest::newRow("date") << QByteArray("table.concat({pselectdate('When')}, '-')")
                          << QByteArray("date 2003 5 17") << "2003-5-17";
    QTest::newRow("time") << QByteArray("table.concat({pselecttime('At', 9)}, ':')")
                          << QByteArray("time 13 45") << "13:45";
}

void tst_PluaDevice::dialogsAnsweredByScript()
{
    QFETCH(QByteArray, call);
    QFETCH(QByteArray, answer);
    QFETCH(QString, expected);
    Device device;
    LuaRun lua(device);
    std::optional<EventScript> script = EventScript::parse("answer " + answer, nullptr);
    QVERIFY(script);
    script->attach(device);
    QCOMPARE(lua.run("r = " + call), QString());
    QCOMPARE(lua.global("r"), expected);
}

void tst_PluaDevice::databaseRoundTrip()
{
    QTemporaryDir dir;
    {
        Device device(dir.path());
        LuaRun lua(device);
        QCOMPARE(lua.run("f = opendb('Scores', 'w')"
                         "i = createrec(f, 12) openrec(f, i) write(f, 'Ann\\n', 42, '\\1')"
                         "closerec(f) closedb(f)"),
                 QString());
        QCOMPARE(lua.global("i"), QStringLiteral("0"));
    }
    // The file is text a user can read.
    QFile file(dir.filePath(QStringLiteral("Scores.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("record: Ann\\x0a42\\x01\\x00"));
    file.close();

    Device device(dir.path());
    LuaRun lua(device);
    QCOMPARE(lua.run("names = listdb('PLua', '') first = names[1]"
                     "f, n = opendb('Scores', 'r') size = openrec(f, 0)"
                     "name = read(f, '*l') rest = read(f, 2) closedb(f)"),
             QString());
    QCOMPARE(lua.global("first"), QStringLiteral("Scores"));
    QCOMPARE(lua.global("n"), QStringLiteral("1"));
    QCOMPARE(lua.global("size"), QStringLiteral("12"));
    QCOMPARE(lua.global("name"), QStringLiteral("Ann"));
    QCOMPARE(lua.global("rest"), QStringLiteral("42"));
}

void tst_PluaDevice::databaseFaults_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing database")
        << QByteArray("f, m = opendb('Nothing', 'r')") << "database \"Nothing\" not found";
    QTest::newRow("bad mode") << QByteArray("f, m = opendb('X', 'rw')")
                              << "unknown mode \"rw\" (use \"r\", \"r+\" or \"w\")";
    QTest::newRow("write past the record")
        << QByteArray("f = opendb('X', 'w') openrec(f, createrec(f, 2)) ok, m = write(f, 'abc')")
        << "the record holds 2 bytes; resize it first";
    QTest::newRow("read-only")
        << QByteArray("f = opendb('X', 'w') closedb(f) f = opendb('X', 'r') r, m = createrec(f, 1)")
        << "database is open for reading only";
    QTest::newRow("delete the open record")
        << QByteArray("f = opendb('X', 'w') openrec(f, createrec(f, 1)) ok, m = deleterec(f, 0)")
        << "record 0 is open";
    QTest::newRow("opened twice") << QByteArray("f = opendb('X', 'w') g, m = opendb('X', 'r')")
                                  << "database \"X\" is already open";
}

void tst_PluaDevice::databaseFaults()
{
    QFETCH(QByteArray, code);
    QFETCH(QString, message);
    QTemporaryDir dir;
    Device device(dir.path());
    LuaRun lua(device);
    QCOMPARE(lua.run(code), QString());
    QCOMPARE(lua.global("m"), message);
}

void tst_PluaDevice::scriptFaults_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown step") << "tap 1 2\n\njump 3"
                                  << "3: unknown step \"jump\"";
    QTest::newRow("tap without y") << "tap 1"
                                   << "1: tap needs X and Y";
    QTest::newRow("unknown key") << "key hello"
                                 << "1: unknown key \"hello\"";
    QTest::newRow("unknown button") << "button hard9"
                                    << "1: unknown button \"hard9\"";
    QTest::newRow("menu 0") << "menu 0"
                            << "1: menu needs an item number from 1";
    QTest::newRow("short date") << "answer date 2003 5"
                                << "1: answer date needs 3 numbers";
}

void tst_PluaDevice::scriptFaults()
{
    QFETCH(QString, script);
    QFETCH(QString, error);
    QString actual;
    QVERIFY(!EventScript::parse(script, &actual));
    QCOMPARE(actual, error);
}

void tst_PluaDevice::serialIsNotAvailable()
{
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run("h, m = openser('serial', 9600)"), QString());
    QCOMPARE(lua.global("h"), QStringLiteral("nil"));
    QCOMPARE(lua.global("m"), QStringLiteral("serial ports are not available on the desktop"));
}

void tst_PluaDevice::screenInWords_data()
{
    QTest::addColumn<QByteArray>("program");
    // One line per item: kind, text, then state, focus and a list's rows.
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("print over print at the same place")
        << QByteArray("print('Taps: 1') pmoveto(0, 0) print('Taps: 2')")
        << QStringList{"Text Taps: 2"};
    QTest::newRow("tabs part the pieces of a line")
        << QByteArray("print('a', 'b')") << QStringList{"Text a", "Text b"};
    QTest::newRow("text off the screen is not read")
        << QByteArray("pmoveto(0, 170) print('below') pmoveto(0, 0) print('on')")
        << QStringList{"Text on"};
    QTest::newRow("lines stay apart")
        << QByteArray("print('one\\ntwo')") << QStringList{"Text one", "Text two"};
    QTest::newRow("pclear forgets the text")
        << QByteArray("print('gone') pclear() print('kept')") << QStringList{"Text kept"};
    QTest::newRow("a filled box over text hides it")
        << QByteArray("print('hidden') pbox(0, 0, 40, 12) pmoveto(0, 50) print('seen')")
        << QStringList{"Text seen"};
    QTest::newRow("title, text and controls with their states")
        << QByteArray("ptitle('Game') print('Hi') b = pbutton('OK') c = pcheckbox('Sound') "
                      "psetstate(c, 1) pnl() f = pfield(1, 8, 10, 'abc') psetfocus(f) pnl() "
                      "l = plist(2, 6, {'one', 'two'}) p = ppbutton('On', 1) plabel('L')")
        << QStringList{"Title Game",
                       "Text Hi",
                       "Button OK 0",
                       "CheckBox Sound 1",
                       "Field abc 0 focused editable",
                       "List  0 one|two",
                       "PushButton On 0",
                       "Label L 0"};
}

// One line per item: kind, text, then state, focus and a list's rows.
static QStringList inWords(const QList<ScreenItem> &screenItems)
{
    static const char *const kinds[] = {"Title",        "Text",     "Label", "Button", "PushButton",
                                        "RepeatButton", "CheckBox", "Field", "List"};
    QStringList items;
    for (const ScreenItem &item : screenItems) {
        QString line = QString::fromLatin1(kinds[static_cast<int>(item.kind)]) + u' ' + item.text;
        if (item.kind > ScreenItem::Kind::Text) {
            line += u' ' + QString::number(item.state);
            if (item.focused)
                line += QStringLiteral(" focused");
            if (item.editable)
                line += QStringLiteral(" editable");
            if (item.kind == ScreenItem::Kind::List)
                line += u' ' + item.items.join(u'|');
        }
        if (!QRect(0, 0, Device::Width, Device::Height).contains(item.rect))
            line += QStringLiteral(" (off the screen)");
        items.append(line);
    }
    return items;
}

void tst_PluaDevice::screenInWords()
{
    QFETCH(QByteArray, program);
    QFETCH(QStringList, expected);
    Device device;
    LuaRun lua(device);
    QCOMPARE(lua.run(program), QString());
    QCOMPARE(inWords(device.screenItems()), expected);
}

void tst_PluaDevice::formsInWords_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("an alert hides the screen under it")
        << QByteArray("print('under') palert('Saved it')")
        << QStringList{"Title Alert", "Text Saved it", "Button OK 0"};
    QTest::newRow("confirm") << QByteArray("pconfirm('Go on?')")
                             << QStringList{"Title Confirm", "Text Go on?", "Button Yes 0",
                                            "Button No 0"};
    QTest::newRow("input") << QByteArray("pinput('Name', 'Bob')")
                           << QStringList{"Title Name", "Field Bob 0 focused editable",
                                          "Button OK 0", "Button Cancel 0"};
    QTest::newRow("time") << QByteArray("pselecttime('Alarm', 7, 5)")
                          << QStringList{"Title Alarm", "Text 07:05", "Button OK 0",
                                         "Button Cancel 0"};
    QTest::newRow("date") << QByteArray("pselectdate('Day', 2026, 12, 8)")
                          << QStringList{"Title Day", "Text Tuesday 8 December 2026",
                                         "Button Cancel 0", "Button Today 0"};
    QTest::newRow("the menu") << QByteArray("pmenu({'A:One', 'Two'}) pevent()")
                              << QStringList{"Title Menu", "Button One 0", "Button Two 0"};
}

// While a form is open a screen reader reads the form alone.
void tst_PluaDevice::formsInWords()
{
    QFETCH(QByteArray, program);
    QFETCH(QStringList, expected);
    Device device;
    LuaRun lua(device);
    QStringList read;
    std::thread user([&device, &read, menu = program.startsWith("pmenu")] {
        if (menu) {
            for (int i = 0; i < 5000 && device.menuItems().isEmpty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            device.key(0x105);
        }
        for (int i = 0; i < 5000 && !device.formOpen(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        read = inWords(device.screenItems());
        device.key(0x108); // Home ends the program
    });
    lua.run(program);
    user.join();
    QCOMPARE(read, expected);
}

QTEST_MAIN(tst_PluaDevice)
#include "tst_pluadevice.moc"
