#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <utility>

class QMainWindow;
class QMenu;

// Named places in a window's menus where features put their own commands,
// as the window's menu table defines them: the end of one of its menus, or
// a menu of the feature's own on the menu bar. A feature asks for its place
// by name and never looks for menus by caption or object name; menus made
// at bar places stand in the order the table gives, whatever order features
// are attached in.
class MenuMerge : public QObject
{
    Q_OBJECT

public:
    // `barPlaces`: the places for features' own menus, in the order their
    // menus stand on the bar after the window's own.
    MenuMerge(QMainWindow &window, QStringList barPlaces);

    // The places of `window`; a window that defines none gets an empty set,
    // whose bar places are taken in the order features ask for them.
    static MenuMerge &of(QMainWindow &window);

    // Makes the end of `menu` the place called `name`.
    void addMenuPlace(const QString &name, QMenu *menu);

    // The menu whose end is the place `name`; nullptr for an unknown name.
    QMenu *menuAt(const QString &name) const;

    // A feature's own menu on the bar place `name`, created on first asking
    // (caption and object name as given), before the menus of later places.
    QMenu *barMenu(const QString &name, const QString &caption, const QString &objectName);

private:
    QMainWindow &m_window;
    QStringList m_barPlaces;
    QList<std::pair<QString, QMenu *>> m_menuPlaces;
    QList<std::pair<QString, QMenu *>> m_barMenus;
};
