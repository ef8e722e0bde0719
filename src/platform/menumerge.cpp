#include "menumerge.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

MenuMerge::MenuMerge(QMainWindow &window, QStringList barPlaces)
    : QObject(&window), m_window(window), m_barPlaces(std::move(barPlaces))
{
    setObjectName(QStringLiteral("menuMerge"));
}

MenuMerge &MenuMerge::of(QMainWindow &window)
{
    if (auto *merge =
            window.findChild<MenuMerge *>(QStringLiteral("menuMerge"), Qt::FindDirectChildrenOnly))
        return *merge;
    return *new MenuMerge(window, {});
}

void MenuMerge::addMenuPlace(const QString &name, QMenu *menu)
{
    m_menuPlaces.append({name, menu});
}

QMenu *MenuMerge::menuAt(const QString &name) const
{
    for (const auto &[place, menu] : m_menuPlaces)
        if (place == name)
            return menu;
    return nullptr;
}

QMenu *MenuMerge::barMenu(const QString &name, const QString &caption, const QString &objectName)
{
    if (!m_barPlaces.contains(name))
        m_barPlaces.append(name);
    const qsizetype index = m_barPlaces.indexOf(name);
    for (const auto &[place, menu] : std::as_const(m_barMenus))
        if (place == name)
            return menu;
    // Before the menu of the first later place that has one; else at the end.
    QAction *before = nullptr;
    for (qsizetype later = index + 1; later < m_barPlaces.size() && !before; ++later)
        for (const auto &[place, menu] : std::as_const(m_barMenus))
            if (place == m_barPlaces[later])
                before = menu->menuAction();
    auto *menu = new QMenu(caption, m_window.menuBar());
    menu->setObjectName(objectName);
    menu->menuAction()->setObjectName(objectName);
    if (before)
        m_window.menuBar()->insertMenu(before, menu);
    else
        m_window.menuBar()->addMenu(menu);
    m_barMenus.append({name, menu});
    return menu;
}
