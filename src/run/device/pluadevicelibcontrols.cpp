// The Plua library's GUI control and menu functions.
#include "pluadevicelibsupport.h"

#include "device.h"
#include "textfile.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

using namespace pluadevicelib;

namespace {

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
    // The group first: an error there must not skip the text's destructor.
    const int group = optInt(L, 2, 0);
    return pushId(L, device(L).addControl(Device::ControlKind::PushButton, checkText(L, 1), group));
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
    int bad = 0;
    int id = 0;
    {
        // Gone before luaL_error, which skips destructors.
        QStringList items;
        bad = tableStrings(L, 3, &items);
        if (!bad)
            id = device(L).addList(lines, columns, items);
    }
    if (bad)
        return luaL_error(L, "plist: item %d is not a string", bad);
    return pushId(L, id);
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
    int bad = 0;
    {
        // Gone before luaL_error, which skips destructors.
        QStringList items;
        bad = tableStrings(L, 1, &items);
        if (!bad)
            device(L).setMenu(items);
    }
    if (bad)
        return luaL_error(L, "pmenu: item %d is not a string", bad);
    return 0;
}

} // namespace

namespace pluadevicelib {

void registerControls(lua_State *L, Device &dev)
{
    static const luaL_Reg functions[] = {
        {"plabel", l_plabel},       {"pbutton", l_pbutton},     {"ppbutton", l_ppbutton},
        {"prbutton", l_prbutton},   {"pcheckbox", l_pcheckbox}, {"pfield", l_pfield},
        {"plist", l_plist},         {"pgettext", l_pgettext},   {"psettext", l_psettext},
        {"pgetstate", l_pgetstate}, {"psetstate", l_psetstate}, {"pfieldattr", l_pfieldattr},
        {"psetfocus", l_psetfocus}, {"pdestroy", l_pdestroy},   {"pmenu", l_pmenu},
        {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f)
        registerFunction(L, dev, f->name, f->func);
}

} // namespace pluadevicelib
