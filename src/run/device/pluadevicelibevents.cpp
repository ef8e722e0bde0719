// The Plua library's event, dialog, sound and sleep functions.
#include "pluadevicelibsupport.h"

#include "device.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <optional>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

using namespace pluadevicelib;

namespace {

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

// A date or time picked: its first `count` numbers, or nil when cancelled.
int pushPicked(lua_State *L, const DialogAnswer &answer, int count)
{
    if (!answer.accepted) {
        lua_pushnil(L);
        return 1;
    }
    const int values[] = {answer.a, answer.b, answer.c};
    for (int i = 0; i < count; ++i)
        lua_pushnumber(L, values[i]);
    return count;
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
    return pushPicked(L, *ask(L, request), 3);
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
    return pushPicked(L, *ask(L, request), 2);
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

} // namespace

namespace pluadevicelib {

void registerEvents(lua_State *L, Device &dev)
{
    static const luaL_Reg functions[] = {
        {"pevent", l_pevent}, {"palert", l_palert},           {"pconfirm", l_pconfirm},
        {"pinput", l_pinput}, {"pselectdate", l_pselectdate}, {"pselecttime", l_pselecttime},
        {"pbeep", l_pbeep},   {"psound", l_psound},           {"psleep", l_psleep},
        {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f)
        registerFunction(L, dev, f->name, f->func);
}

} // namespace pluadevicelib
