// The Plua library's record database and serial functions.
#include "pluadevicelibsupport.h"

#include "device.h"
#include "textfile.h"

#include <algorithm>
#include <cstring>
#include <optional>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

using namespace pluadevicelib;

namespace {

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

// A record size or index, or nil and the reason the call failed.
int numberOrFailure(lua_State *L, std::optional<int> number, const PalmDatabases &dbs)
{
    if (!number)
        return failure(L, dbs.errorString());
    lua_pushnumber(L, *number);
    return 1;
}

int l_listdb(lua_State *L)
{
    luaL_optstring(L, 1, nullptr); // both checked before any C++ value exists
    luaL_optstring(L, 2, nullptr);
    const QStringList names = device(L).databases().list(optText(L, 1), optText(L, 2));
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
    // Every argument checked before any C++ value exists: an error would
    // skip their destructors.
    luaL_checkstring(L, 1);
    for (int arg = 2; arg <= 4; ++arg)
        luaL_optstring(L, arg, nullptr);
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
    return numberOrFailure(L, dbs.openRecord(handle, checkInt(L, 2)), dbs);
}

int l_createrec(lua_State *L)
{
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    return numberOrFailure(L, dbs.createRecord(handle, checkInt(L, 2)), dbs);
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
// anything else goes to the functions they replaced (upvalue 2), with all
// the arguments and all the results.
int callReplaced(lua_State *L)
{
    lua_pushvalue(L, lua_upvalueindex(2));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

int l_read(lua_State *L)
{
    if (!toDatabase(L, 1))
        return callReplaced(L);
    PalmDatabases &dbs = device(L).databases();
    const int handle = checkDatabase(L, 1);
    const int count = std::max(lua_gettop(L), 2) - 1;
    // One result per format, however many formats there are.
    luaL_checkstack(L, count + LUA_MINSTACK, "too many formats to read");
    for (int i = 0; i < count; ++i) {
        const int arg = i + 2;
        std::optional<QByteArray> value;
        if (lua_type(L, arg) == LUA_TNUMBER) {
            value = dbs.read(handle, std::max(checkInt(L, arg), 0));
        } else {
            // A C string, not a C++ one: luaL_argerror below skips destructors.
            const char *format = lua_isnoneornil(L, arg) ? "*l" : luaL_checkstring(L, arg);
            if (std::strncmp(format, "*l", 2) == 0) {
                value = dbs.readLine(handle);
            } else if (std::strncmp(format, "*a", 2) == 0) {
                value = dbs.readAll(handle);
            } else if (std::strncmp(format, "*n", 2) == 0) {
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
    if (!toDatabase(L, 1))
        return callReplaced(L);
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

} // namespace

namespace pluadevicelib {

void registerDatabases(lua_State *L, Device &dev)
{
    static const luaL_Reg functions[] = {
        {"listdb", l_listdb},     {"opendb", l_opendb},       {"closedb", l_closedb},
        {"openrec", l_openrec},   {"createrec", l_createrec}, {"deleterec", l_deleterec},
        {"closerec", l_closerec}, {"resizerec", l_resizerec}, {"openser", l_openser},
        {"closeser", l_closeser}, {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f)
        registerFunction(L, dev, f->name, f->func);
    registerFunction(L, dev, "read", l_read, true);
    registerFunction(L, dev, "write", l_write, true);

    luaL_newmetatable(L, DatabaseType);
    lua_pushcfunction(L, l_database_tostring);
    lua_setfield(L, -2, "__tostring");
    lua_pop(L, 1);
}

} // namespace pluadevicelib
