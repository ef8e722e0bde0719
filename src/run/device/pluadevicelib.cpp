#include "pluadevicelib.h"
#include "textfile.h"

#include "device.h"
#include "palmpalette.h"

#include <QDate>
#include <QTime>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <array>
#include <cmath>

namespace {

constexpr const char DatabaseType[] = "Plua database";

Device &device(lua_State *L)
{
    return *static_cast<Device *>(lua_touserdata(L, lua_upvalueindex(1)));
}

int checkInt(lua_State *L, int index)
{
    const lua_Number n = luaL_checknumber(L, index);
    if (!std::isfinite(n) || std::abs(n) > 1e9)
        return luaL_argerror(L, index, "number out of range");
    return static_cast<int>(std::floor(n));
}

int optInt(lua_State *L, int index, int fallback)
{
    return lua_isnoneornil(L, index) ? fallback : checkInt(L, index);
}

std::optional<int> optColor(lua_State *L, int index)
{
    if (lua_isnoneornil(L, index))
        return std::nullopt;
    return checkInt(L, index);
}

// Arguments 1..N as integers, checked in order so that an error names the
// first bad one (C++ leaves the order of a call's arguments open).
template <int N> std::array<int, N> checkInts(lua_State *L)
{
    std::array<int, N> values{};
    for (int i = 0; i < N; ++i)
        values[static_cast<std::size_t>(i)] = checkInt(L, i + 1);
    return values;
}

QString checkText(lua_State *L, int index)
{
    std::size_t length = 0;
    const char *text = luaL_checklstring(L, index, &length);
    return TextFile::fromWindows1252(QByteArrayView(text, static_cast<qsizetype>(length)));
}

QString optText(lua_State *L, int index)
{
    return lua_isnoneornil(L, index) ? QString() : checkText(L, index);
}

void pushText(lua_State *L, const QString &text)
{
    const QByteArray bytes = TextFile::toWindows1252(text);
    lua_pushlstring(L, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Lua 4 has no booleans: "true" is 1, "false" is nil.
int pushTruth(lua_State *L, bool value)
{
    if (value)
        lua_pushnumber(L, 1);
    else
        lua_pushnil(L);
    return 1;
}

// Ends the program's wait when the device stops or its input runs out.
[[noreturn]] void endWait(lua_State *L)
{
    if (device(L).stopped())
        luaL_error(L, "stopped");
    luaL_error(L, InputEndedMessage);
    std::abort(); // luaL_error does not return
}

// ---------------------------------------------------------------- drawing

int l_pclear(lua_State *L)
{
    device(L).clear(optColor(L, 1));
    return 0;
}

int l_pset(lua_State *L)
{
    const auto [x, y] = checkInts<2>(L);
    device(L).setPixel(x, y, optColor(L, 3));
    return 0;
}

int l_pget(lua_State *L)
{
    const auto [x, y] = checkInts<2>(L);
    lua_pushnumber(L, device(L).pixel(x, y));
    return 1;
}

int l_pline(lua_State *L)
{
    const auto [x1, y1, x2, y2] = checkInts<4>(L);
    device(L).line(x1, y1, x2, y2, optColor(L, 5));
    return 0;
}

int l_plineto(lua_State *L)
{
    const auto [x, y] = checkInts<2>(L);
    device(L).lineTo(x, y, optColor(L, 3));
    return 0;
}

int l_prect(lua_State *L)
{
    const auto [x, y, dx, dy] = checkInts<4>(L);
    device(L).rect(x, y, dx, dy, optColor(L, 5), false);
    return 0;
}

int l_pbox(lua_State *L)
{
    const auto [x, y, dx, dy] = checkInts<4>(L);
    device(L).rect(x, y, dx, dy, optColor(L, 5), true);
    return 0;
}

int l_pcircle(lua_State *L)
{
    const auto [x, y, rx, ry] = checkInts<4>(L);
    device(L).ellipse(x, y, rx, ry, optColor(L, 5), false);
    return 0;
}

int l_pdisc(lua_State *L)
{
    const auto [x, y, rx, ry] = checkInts<4>(L);
    device(L).ellipse(x, y, rx, ry, optColor(L, 5), true);
    return 0;
}

int l_pcolor(lua_State *L)
{
    device(L).setColors(checkInt(L, 1), optColor(L, 2));
    return 0;
}

int l_prgb(lua_State *L)
{
    const auto [r, g, b] = checkInts<3>(L);
    lua_pushnumber(L, PalmPalette::nearestIndex(r, g, b));
    return 1;
}

int l_pmoveto(lua_State *L)
{
    const auto [x, y] = checkInts<2>(L);
    device(L).moveTo(x, y);
    return 0;
}

int l_ppos(lua_State *L)
{
    const QPoint cursor = device(L).cursor();
    lua_pushnumber(L, cursor.x());
    lua_pushnumber(L, cursor.y());
    return 2;
}

int l_pfont(lua_State *L)
{
    const QSize size = device(L).setFont(checkInt(L, 1));
    lua_pushnumber(L, size.width());
    lua_pushnumber(L, size.height());
    return 2;
}

int l_pheading(lua_State *L)
{
    device(L).setHeading(luaL_checknumber(L, 1));
    return 0;
}

int l_pturn(lua_State *L)
{
    device(L).turn(luaL_checknumber(L, 1));
    return 0;
}

int l_pwalk(lua_State *L)
{
    const lua_Number distance = luaL_checknumber(L, 1);
    if (!std::isfinite(distance) || std::abs(distance) > 1e6)
        return luaL_argerror(L, 1, "number out of range");
    device(L).walk(distance);
    return 0;
}

int l_pmode(lua_State *L)
{
    lua_pushnumber(L, Device::Width);
    lua_pushnumber(L, Device::Height);
    lua_pushnumber(L, 8);
    lua_pushnumber(L, 1);
    return 4;
}

// Values as Lua's print shows them, joined by tabs, ending the line.
int l_print(lua_State *L)
{
    const int count = lua_gettop(L);
    QByteArray text;
    lua_getglobal(L, "tostring");
    for (int i = 1; i <= count; ++i) {
        lua_pushvalue(L, -1);
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        std::size_t length = 0;
        const char *s = lua_tolstring(L, -1, &length);
        if (!s)
            return luaL_error(L, "'tostring' must return a string to 'print'");
        if (i > 1)
            text += '\t';
        text.append(s, static_cast<qsizetype>(length));
        lua_pop(L, 1);
    }
    text += '\n';
    device(L).drawText(text);
    device(L).output(text);
    return 0;
}

int l_pnl(lua_State *L)
{
    device(L).newRow();
    return 0;
}

int l_ptab(lua_State *L)
{
    device(L).tab(optInt(L, 1, 1));
    return 0;
}

int l_ptitle(lua_State *L)
{
    device(L).setTitle(optText(L, 1));
    return 0;
}

// Bitmaps live in resource databases, which the desktop does not have.
int l_popenbmp(lua_State *L)
{
    checkInt(L, 1);
    lua_pushnil(L);
    lua_pushstring(L, "bitmap resources are not available on the desktop");
    return 2;
}

int l_pdrawbmp(lua_State *L)
{
    return luaL_error(L, "pdrawbmp: not a bitmap (popenbmp finds none on the desktop)");
}

int l_pclosebmp(lua_State *)
{
    return 0;
}

// The desktop keyboard has no Graffiti shift state to show.
int l_pgsi(lua_State *)
{
    return 0;
}

// ---------------------------------------------------------------- controls

int pushId(lua_State *L, int id)
{
    if (id)
        lua_pushnumber(L, id);
    else
        lua_pushnil(L);
    return 1;
}

int l_plabel(lua_State *L)
{
    return pushId(L, device(L).addControl(Device::ControlKind::Label, checkText(L, 1)));
}

int l_pbutton(lua_State *L)
{
    return pushId(L, device(L).addControl(Device::ControlKind::Button, checkText(L, 1)));
}

int l_ppbutton(lua_State *L)
{
    const QString text = checkText(L, 1);
    return pushId(L, device(L).addControl(Device::ControlKind::PushButton, text, optInt(L, 2, 0)));
}

int l_prbutton(lua_State *L)
{
    return pushId(L, device(L).addControl(Device::ControlKind::RepeatButton, checkText(L, 1)));
}

int l_pcheckbox(lua_State *L)
{
    return pushId(L, device(L).addControl(Device::ControlKind::CheckBox, checkText(L, 1)));
}

int l_pfield(lua_State *L)
{
    const int lines = checkInt(L, 1);
    const int columns = checkInt(L, 2);
    const int maxChars = checkInt(L, 3);
    const QString text = optText(L, 4);
    // Editable and underlined unless given as nil.
    const bool editable = lua_gettop(L) < 5 || !lua_isnil(L, 5);
    const bool underlined = lua_gettop(L) < 6 || !lua_isnil(L, 6);
    return pushId(L, device(L).addField(lines, columns, maxChars, text, editable, underlined));
}

int l_plist(lua_State *L)
{
    const int lines = checkInt(L, 1);
    const int columns = checkInt(L, 2);
    luaL_checktype(L, 3, LUA_TTABLE);
    QStringList items;
    for (int i = 1;; ++i) {
        lua_rawgeti(L, 3, i);
        if (lua_isnil(L, -1)) {
            lua_pop(L, 1);
            break;
        }
        std::size_t length = 0;
        const char *s = lua_tolstring(L, -1, &length);
        if (!s)
            return luaL_error(L, "plist: item %d is not a string", i);
        items.append(TextFile::fromWindows1252(QByteArrayView(s, static_cast<qsizetype>(length))));
        lua_pop(L, 1);
    }
    return pushId(L, device(L).addList(lines, columns, items));
}

int checkControl(lua_State *L, int index)
{
    const int id = checkInt(L, index);
    if (!device(L).hasControl(id))
        luaL_error(L, "no control with id %d", id);
    return id;
}

int l_pgettext(lua_State *L)
{
    pushText(L, device(L).controlText(checkControl(L, 1)).value_or(QString()));
    return 1;
}

int l_psettext(lua_State *L)
{
    const int id = checkControl(L, 1);
    device(L).setControlText(id, checkText(L, 2));
    return 0;
}

int l_pgetstate(lua_State *L)
{
    lua_pushnumber(L, device(L).controlState(checkControl(L, 1)).value_or(0));
    return 1;
}

int l_psetstate(lua_State *L)
{
    const int id = checkControl(L, 1);
    device(L).setControlState(id, checkInt(L, 2));
    return 0;
}

int l_pfieldattr(lua_State *L)
{
    const int id = checkControl(L, 1);
    if (!device(L).setFieldAttributes(id, !lua_isnoneornil(L, 2), !lua_isnoneornil(L, 3)))
        return luaL_error(L, "control %d is not a field", id);
    return 0;
}

int l_psetfocus(lua_State *L)
{
    const int id = checkControl(L, 1);
    if (!device(L).setFocus(id))
        return luaL_error(L, "control %d is not a field", id);
    return 0;
}

int l_pdestroy(lua_State *L)
{
    device(L).destroyControls();
    return 0;
}

int l_pmenu(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    QStringList items;
    for (int i = 1;; ++i) {
        lua_rawgeti(L, 1, i);
        if (lua_isnil(L, -1)) {
            lua_pop(L, 1);
            break;
        }
        std::size_t length = 0;
        const char *s = lua_tolstring(L, -1, &length);
        if (!s)
            return luaL_error(L, "pmenu: item %d is not a string", i);
        items.append(TextFile::fromWindows1252(QByteArrayView(s, static_cast<qsizetype>(length))));
        lua_pop(L, 1);
    }
    device(L).setMenu(items);
    return 0;
}

// ---------------------------------------------------------------- events

int l_pevent(lua_State *L)
{
    // pevent() waits for ever; a timeout in milliseconds gives nilEvent.
    const int timeout = lua_isnoneornil(L, 1) ? -1 : std::max(checkInt(L, 1), 0);
    const std::optional<DeviceEvent> event = device(L).waitEvent(timeout);
    if (!event)
        endWait(L);
    lua_pushnumber(L, event->type);
    for (int value : event->values)
        lua_pushnumber(L, value);
    return 1 + static_cast<int>(event->values.size());
}

std::optional<DialogAnswer> ask(lua_State *L, const DialogRequest &request)
{
    std::optional<DialogAnswer> answer = device(L).askDialog(request);
    if (!answer)
        endWait(L);
    return answer;
}

int l_palert(lua_State *L)
{
    ask(L, {DialogRequest::Kind::Alert, checkText(L, 1), {}, 0, 0, 0});
    return 0;
}

int l_pconfirm(lua_State *L)
{
    return pushTruth(
        L, ask(L, {DialogRequest::Kind::Confirm, checkText(L, 1), {}, 0, 0, 0})->accepted);
}

int l_pinput(lua_State *L)
{
    const auto answer =
        ask(L, {DialogRequest::Kind::Input, optText(L, 1), optText(L, 2).left(255), 0, 0, 0});
    if (!answer->accepted) {
        lua_pushnil(L);
        return 1;
    }
    pushText(L, answer->text.left(255));
    return 1;
}

int l_pselectdate(lua_State *L)
{
    const QDate today = QDate::currentDate();
    DialogRequest request{
        DialogRequest::Kind::Date, optText(L, 1), {}, today.year(), today.month(), today.day()};
    if (!lua_isnoneornil(L, 2)) {
        request.a = checkInt(L, 2);
        request.b = optInt(L, 3, 1);
        request.c = optInt(L, 4, 1);
    }
    const auto answer = ask(L, request);
    if (!answer->accepted) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushnumber(L, answer->a);
    lua_pushnumber(L, answer->b);
    lua_pushnumber(L, answer->c);
    return 3;
}

int l_pselecttime(lua_State *L)
{
    const QTime now = QTime::currentTime();
    DialogRequest request{
        DialogRequest::Kind::Time, optText(L, 1), {}, now.hour(), now.minute(), 0};
    if (!lua_isnoneornil(L, 2)) {
        request.a = checkInt(L, 2);
        request.b = optInt(L, 3, 0);
    }
    const auto answer = ask(L, request);
    if (!answer->accepted) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushnumber(L, answer->a);
    lua_pushnumber(L, answer->b);
    return 2;
}

// ---------------------------------------------------------------- sound, time

int l_pbeep(lua_State *L)
{
    device(L).beep(optInt(L, 1, 1));
    return 0;
}

int l_psound(lua_State *L)
{
    const int frequency = checkInt(L, 1);
    const int length = std::clamp(checkInt(L, 2), 0, 60000);
    const int amplitude = std::clamp(optInt(L, 3, 64), 0, 64);
    device(L).tone(frequency, length, amplitude);
    if (device(L).stopped())
        endWait(L);
    return 0;
}

int l_psleep(lua_State *L)
{
    const lua_Number seconds = luaL_checknumber(L, 1);
    const lua_Number ms = lua_isnoneornil(L, 2) ? 0 : luaL_checknumber(L, 2);
    const lua_Number total = std::clamp(seconds * 1000 + ms, 0.0, 86400000.0);
    if (!device(L).sleepMs(static_cast<qint64>(std::isfinite(total) ? total : 0)))
        endWait(L);
    return 0;
}

// ---------------------------------------------------------------- databases

int *toDatabase(lua_State *L, int index)
{
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index))
        return nullptr;
    luaL_getmetatable(L, DatabaseType);
    const bool same = lua_rawequal(L, -1, -2);
    lua_pop(L, 2);
    return same ? static_cast<int *>(lua_touserdata(L, index)) : nullptr;
}

int checkDatabase(lua_State *L, int index)
{
    int *handle = toDatabase(L, index);
    if (!handle)
        luaL_typerror(L, index, "database handle");
    return *handle;
}

int failure(lua_State *L, const QString &message)
{
    lua_pushnil(L);
    pushText(L, message);
    return 2;
}

int l_listdb(lua_State *L)
{
    const QString creator = optText(L, 1);
    const QStringList names = device(L).databases().list(creator, optText(L, 2));
    if (names.isEmpty()) {
        lua_pushnil(L);
        return 1;
    }
    lua_createtable(L, static_cast<int>(names.size()), 1);
    for (int i = 0; i < names.size(); ++i) {
        pushText(L, names[i]);
        lua_rawseti(L, -2, i + 1);
    }
    lua_pushnumber(L, static_cast<lua_Number>(names.size()));
    lua_setfield(L, -2, "n");
    return 1;
}

int l_opendb(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const QString name = checkText(L, 1);
    const QString mode = lua_isnoneornil(L, 2) ? QStringLiteral("r") : checkText(L, 2);
    const QString creator = lua_isnoneornil(L, 3) ? QStringLiteral("PLua") : checkText(L, 3);
    const QString type = lua_isnoneornil(L, 4) ? QStringLiteral("DATA") : checkText(L, 4);
    const std::optional<int> handle = dbs.open(name, mode, creator, type);
    if (!handle)
        return failure(L, dbs.errorString());
    *static_cast<int *>(lua_newuserdata(L, sizeof(int))) = *handle;
    luaL_getmetatable(L, DatabaseType);
    lua_setmetatable(L, -2);
    lua_pushnumber(L, dbs.recordCount(*handle));
    return 2;
}

int l_closedb(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    return dbs.close(checkDatabase(L, 1)) ? pushTruth(L, true) : failure(L, dbs.errorString());
}

int l_openrec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    const std::optional<int> size = dbs.openRecord(handle, checkInt(L, 2));
    if (!size)
        return failure(L, dbs.errorString());
    lua_pushnumber(L, *size);
    return 1;
}

int l_createrec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    const std::optional<int> index = dbs.createRecord(handle, checkInt(L, 2));
    if (!index)
        return failure(L, dbs.errorString());
    lua_pushnumber(L, *index);
    return 1;
}

int l_deleterec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    return dbs.deleteRecord(handle, checkInt(L, 2)) ? pushTruth(L, true)
                                                    : failure(L, dbs.errorString());
}

int l_closerec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    return dbs.closeRecord(checkDatabase(L, 1)) ? pushTruth(L, true)
                                                : failure(L, dbs.errorString());
}

int l_resizerec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    const int index = checkInt(L, 2);
    return dbs.resizeRecord(handle, index, checkInt(L, 3)) ? pushTruth(L, true)
                                                           : failure(L, dbs.errorString());
}

// read(f, ...) and write(f, ...) on a database act on its open record;
// anything else goes to the functions they replaced (upvalue 2).
int l_read(lua_State *L)
{
    if (!toDatabase(L, 1)) {
        lua_pushvalue(L, lua_upvalueindex(2));
        lua_insert(L, 1);
        lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
        return lua_gettop(L);
    }
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    const int count = std::max(lua_gettop(L), 2) - 1;
    for (int i = 0; i < count; ++i) {
        const int arg = i + 2;
        std::optional<QByteArray> value;
        if (lua_type(L, arg) == LUA_TNUMBER) {
            value = dbs.read(handle, std::max(checkInt(L, arg), 0));
        } else {
            const QByteArray format = lua_isnoneornil(L, arg)
                                          ? QByteArray("*l")
                                          : TextFile::toWindows1252(checkText(L, arg));
            if (format.startsWith("*l")) {
                value = dbs.readLine(handle);
            } else if (format.startsWith("*a")) {
                value = dbs.readAll(handle);
            } else if (format.startsWith("*n")) {
                const std::optional<QByteArray> line = dbs.readLine(handle);
                bool ok = false;
                const double number = line ? line.value().trimmed().toDouble(&ok) : 0;
                if (ok)
                    lua_pushnumber(L, number);
                else
                    lua_pushnil(L);
                if (!ok)
                    return i + 1;
                continue;
            } else {
                return luaL_argerror(L, arg, "invalid format");
            }
        }
        if (!value) {
            lua_pushnil(L);
            return i + 1;
        }
        lua_pushlstring(L, value->constData(), static_cast<std::size_t>(value->size()));
    }
    return count;
}

int l_write(lua_State *L)
{
    if (!toDatabase(L, 1)) {
        lua_pushvalue(L, lua_upvalueindex(2));
        lua_insert(L, 1);
        lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
        return lua_gettop(L);
    }
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    for (int arg = 2; arg <= lua_gettop(L); ++arg) {
        std::size_t length = 0;
        const char *s = luaL_checklstring(L, arg, &length);
        if (!dbs.write(handle, QByteArray(s, static_cast<qsizetype>(length))))
            return failure(L, dbs.errorString());
    }
    return pushTruth(L, true);
}

int l_database_tostring(lua_State *L)
{
    lua_pushfstring(L, "database (%d)", checkDatabase(L, 1));
    return 1;
}

// ---------------------------------------------------------------- serial

constexpr const char NoSerial[] = "serial ports are not available on the desktop";

int l_openser(lua_State *L)
{
    luaL_checkstring(L, 1);
    return failure(L, QString::fromLatin1(NoSerial));
}

int l_closeser(lua_State *L)
{
    return failure(L, QString::fromLatin1(NoSerial));
}

void registerFunction(lua_State *L, Device &dev, const char *name, lua_CFunction f,
                      bool keepPrevious = false)
{
    lua_pushlightuserdata(L, &dev);
    int upvalues = 1;
    if (keepPrevious) {
        lua_getglobal(L, name);
        ++upvalues;
    }
    lua_pushcclosure(L, f, upvalues);
    lua_setglobal(L, name);
}

} // namespace

void registerPluaLibrary(lua_State *L, Device &dev)
{
    static const luaL_Reg functions[] = {
        {"pclear", l_pclear},
        {"pset", l_pset},
        {"pget", l_pget},
        {"pline", l_pline},
        {"plineto", l_plineto},
        {"prect", l_prect},
        {"pbox", l_pbox},
        {"pcircle", l_pcircle},
        {"pdisc", l_pdisc},
        {"pcolor", l_pcolor},
        {"prgb", l_prgb},
        {"pmoveto", l_pmoveto},
        {"ppos", l_ppos},
        {"pfont", l_pfont},
        {"pheading", l_pheading},
        {"pturn", l_pturn},
        {"pwalk", l_pwalk},
        {"pmode", l_pmode},
        {"print", l_print},
        {"pnl", l_pnl},
        {"ptab", l_ptab},
        {"ptitle", l_ptitle},
        {"popenbmp", l_popenbmp},
        {"pdrawbmp", l_pdrawbmp},
        {"pclosebmp", l_pclosebmp},
        {"pgsi", l_pgsi},
        {"plabel", l_plabel},
        {"pbutton", l_pbutton},
        {"ppbutton", l_ppbutton},
        {"prbutton", l_prbutton},
        {"pcheckbox", l_pcheckbox},
        {"pfield", l_pfield},
        {"plist", l_plist},
        {"pgettext", l_pgettext},
        {"psettext", l_psettext},
        {"pgetstate", l_pgetstate},
        {"psetstate", l_psetstate},
        {"pfieldattr", l_pfieldattr},
        {"psetfocus", l_psetfocus},
        {"pdestroy", l_pdestroy},
        {"pmenu", l_pmenu},
        {"pevent", l_pevent},
        {"palert", l_palert},
        {"pconfirm", l_pconfirm},
        {"pinput", l_pinput},
        {"pselectdate", l_pselectdate},
        {"pselecttime", l_pselecttime},
        {"pbeep", l_pbeep},
        {"psound", l_psound},
        {"psleep", l_psleep},
        {"listdb", l_listdb},
        {"opendb", l_opendb},
        {"closedb", l_closedb},
        {"openrec", l_openrec},
        {"createrec", l_createrec},
        {"deleterec", l_deleterec},
        {"closerec", l_closerec},
        {"resizerec", l_resizerec},
        {"openser", l_openser},
        {"closeser", l_closeser},
        {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f)
        registerFunction(L, dev, f->name, f->func);
    registerFunction(L, dev, "read", l_read, true);
    registerFunction(L, dev, "write", l_write, true);

    luaL_newmetatable(L, DatabaseType);
    lua_pushcfunction(L, l_database_tostring);
    lua_setfield(L, -2, "__tostring");
    lua_pop(L, 1);

    static const struct
    {
        const char *name;
        int value;
    } events[] = {
        {"nilEvent", DeviceEventType::nilEvent},     {"penDown", DeviceEventType::penDown},
        {"penUp", DeviceEventType::penUp},           {"penMove", DeviceEventType::penMove},
        {"keyDown", DeviceEventType::keyDown},       {"ctlSelect", DeviceEventType::ctlSelect},
        {"ctlRepeat", DeviceEventType::ctlRepeat},   {"lstSelect", DeviceEventType::lstSelect},
        {"menuSelect", DeviceEventType::menuSelect}, {"appStop", DeviceEventType::appStop},
        {"ioPending", DeviceEventType::ioPending},
    };
    for (const auto &event : events) {
        lua_pushnumber(L, event.value);
        lua_setglobal(L, event.name);
    }
}
