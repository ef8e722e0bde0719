#pragma once

#include <QAccessibleWidget>
#include <QPointer>

class HandheldView;

// The handheld as a screen reader reads it: its children are the screen's
// title and printed text (static text), the program's controls (buttons,
// push buttons and check boxes with their checked state, fields with their
// text, lists with their rows and selection), in the order the screen holds
// them, then the silk-screen and hard buttons with their keys. A control's
// press action taps it; a button's press action presses it.
class HandheldViewAccessible : public QAccessibleWidget
{
public:
    explicit HandheldViewAccessible(HandheldView *view);
    ~HandheldViewAccessible() override;
    HandheldViewAccessible(const HandheldViewAccessible &) = delete;
    HandheldViewAccessible &operator=(const HandheldViewAccessible &) = delete;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    // Installs the factory that gives a HandheldView this interface (once).
    static void install();

private:
    void update() const;

    HandheldView *view() const;
    mutable QList<QAccessible::Id> m_children;
    mutable int m_revision = -1;
    mutable int m_scale = 0;
};
