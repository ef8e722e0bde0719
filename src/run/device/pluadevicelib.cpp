// The Plua library's registration and the argument and result helpers its parts share.
#include "pluadevicelib.h"
#include "pluadevicelibsupport.h"
#include "textfile.h"

#include "device.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <cmath>
#include <cstdlib>

namespace pluadevicelib {

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

int tableStrings(lua_State *L, int index, QStringList *items)
{
    for (int i = 1;; ++i) {
        lua_rawgeti(L, index, i);
        if (lua_isnil(L, -1)) {
            lua_pop(L, 1);
            return 0;
        }
        std::size_t length = 0;
        const char *s = lua_tolstring(L, -1, &length);
        if (!s) {
            lua_pop(L, 1);
            return i;
        }
        items->append(TextFile::fromWindows1252(QByteArrayView(s, static_cast<qsizetype>(length))));
        lua_pop(L, 1);
    }
}

int pushTruth(lua_State *L, bool value)
{
    if (value)
        lua_pushnumber(L, 1);
    else
        lua_pushnil(L);
    return 1;
}

[[noreturn]] void endWait(lua_State *L)
{
    if (device(L).stopped())
        luaL_error(L, "stopped");
    luaL_error(L, InputEndedMessage);
    std::abort(); // luaL_error does not return
}

void registerFunction(lua_State *L, Device &dev, const char *name, lua_CFunction f,
                      bool keepPrevious)
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

} // namespace pluadevicelib

void registerPluaLibrary(lua_State *L, Device &dev)
{
    using namespace pluadevicelib;
    registerDrawing(L, dev);
    registerControls(L, dev);
    registerEvents(L, dev);
    registerDatabases(L, dev);

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
