#pragma once

#include <initializer_list>
#include <span>

class frmMain;

// The main window's commands as data: each menu with its items (design
// name, caption, shortcut, what it runs), the places where features add
// theirs, and the toolbar buttons that show some of those same commands.
// frmMain builds its menus and toolbar from these tables.
namespace MainCommands {

using Command = void (*)(frmMain &);

struct MenuItem
{
    const char *name;
    const char *caption; // "-" is a separator
    const char *shortcut;
    Command command;
};

struct Menu
{
    const char *name;
    const char *caption;
    std::initializer_list<MenuItem> items;
};

// A toolbar button shows the menu command's own action under its key.
struct ToolButton
{
    const char *key; // also the tool tip; nullptr is a separator
    const char *command;
    const char *themeIcon;
    const char *resource;
};

// A named place where a feature adds its own commands (see MenuMerge): the
// end of one of the menus above, or a menu of the feature's own on the bar.
struct MergePlace
{
    const char *name;
    const char *menu; // the name of the menu it ends; nullptr: on the bar
};

std::span<const Menu> menus();
std::span<const MergePlace> mergePlaces();
std::span<const ToolButton> toolButtons();

} // namespace MainCommands
