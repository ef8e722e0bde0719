#pragma once

struct lua_State;
class Device;

// Registers the Plua 1 library in `L`: drawing, text, turtle, GUI controls,
// events (with the event-type globals penDown, ctlSelect, ...), dialogs,
// sound, sleep, the record databases and the serial functions, all acting
// on `device`, which must outlive the state. `print` draws on the screen and
// also sends its text to the device's output; `read` and `write` take a
// database handle as well as what they took before.
void registerPluaLibrary(lua_State *L, Device &device);

// The message a waiting function raises when the device's input has ended
// (a script of events ran out): the run ends there, normally.
inline constexpr const char InputEndedMessage[] = "no more input";
