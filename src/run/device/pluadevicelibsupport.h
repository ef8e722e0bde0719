// Helpers shared by the parts of the Plua library: arguments, results and the device.
#pragma once

#include "pluadevicelib.h"

#include <QString>
#include <QStringList>

extern "C" {
#include <lua.h>
}

#include <array>
#include <cstddef>
#include <optional>

class Device;

namespace pluadevicelib {

inline constexpr const char DatabaseType[] = "Plua database";

Device &device(lua_State *L);
int checkInt(lua_State *L, int index);
int optInt(lua_State *L, int index, int fallback);
std::optional<int> optColor(lua_State *L, int index);

// Arguments 1..N as integers, checked in order so that an error names the
// first bad one (C++ leaves the order of a call's arguments open).
template <int N> std::array<int, N> checkInts(lua_State *L)
{
    std::array<int, N> values{};
    for (int i = 0; i < N; ++i)
        values[static_cast<std::size_t>(i)] = checkInt(L, i + 1);
    return values;
}

QString checkText(lua_State *L, int index);
QString optText(lua_State *L, int index);
void pushText(lua_State *L, const QString &text);
// The strings of the table at `index`, from item 1 up to the first nil, into
// `items`; returns 0, or the number of the first item that is not a string.
int tableStrings(lua_State *L, int index, QStringList *items);

// Lua 4 has no booleans: "true" is 1, "false" is nil.
int pushTruth(lua_State *L, bool value);

// Ends the program's wait when the device stops or its input runs out.
[[noreturn]] void endWait(lua_State *L);

// Sets global `name` to `f` with the device as upvalue 1 and, with
// `keepPrevious`, the global's previous value as upvalue 2.
void registerFunction(lua_State *L, Device &dev, const char *name, lua_CFunction f,
                      bool keepPrevious = false);

// Each part's functions, registered in this order.
void registerDrawing(lua_State *L, Device &dev);
void registerControls(lua_State *L, Device &dev);
void registerEvents(lua_State *L, Device &dev);
void registerDatabases(lua_State *L, Device &dev);

} // namespace pluadevicelib
