// The Plua library's drawing, text and turtle functions.
#include "pluadevicelibsupport.h"

#include "device.h"
#include "palmpalette.h"

#include <cstring>
#include <cmath>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

using namespace pluadevicelib;

namespace {

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
    // The line is joined on the Lua stack: tostring may raise an error,
    // which would skip a C++ buffer's destructor.
    const int count = lua_gettop(L);
    luaL_checkstack(L, 2 * count + 3, "too many values to print");
    lua_getglobal(L, "tostring");
    const int tostring = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            lua_pushliteral(L, "\t");
        lua_pushvalue(L, tostring);
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        std::size_t length = 0;
        const char *s = lua_tolstring(L, -1, &length);
        if (!s)
            return luaL_error(L, "`tostring' must return a string to `print'");
        // Up to a zero byte, as the handheld's C library writes a string.
        if (std::strlen(s) < length) {
            lua_pushlstring(L, s, std::strlen(s));
            lua_replace(L, -2);
        }
    }
    lua_pushliteral(L, "\n");
    lua_concat(L, lua_gettop(L) - tostring);
    std::size_t length = 0;
    const char *joined = lua_tolstring(L, -1, &length);
    const QByteArray text(joined, static_cast<qsizetype>(length));
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

} // namespace

namespace pluadevicelib {

void registerDrawing(lua_State *L, Device &dev)
{
    static const luaL_Reg functions[] = {
        {"pclear", l_pclear},       {"pset", l_pset},         {"pget", l_pget},
        {"pline", l_pline},         {"plineto", l_plineto},   {"prect", l_prect},
        {"pbox", l_pbox},           {"pcircle", l_pcircle},   {"pdisc", l_pdisc},
        {"pcolor", l_pcolor},       {"prgb", l_prgb},         {"pmoveto", l_pmoveto},
        {"ppos", l_ppos},           {"pfont", l_pfont},       {"pheading", l_pheading},
        {"pturn", l_pturn},         {"pwalk", l_pwalk},       {"pmode", l_pmode},
        {"print", l_print},         {"pnl", l_pnl},           {"ptab", l_ptab},
        {"ptitle", l_ptitle},       {"popenbmp", l_popenbmp}, {"pdrawbmp", l_pdrawbmp},
        {"pclosebmp", l_pclosebmp}, {"pgsi", l_pgsi},         {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f)
        registerFunction(L, dev, f->name, f->func);
}

} // namespace pluadevicelib
