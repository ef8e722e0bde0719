#pragma once

#include <QDataStream>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <algorithm>

// What is on the handheld's screen in words, for a screen reader: the
// title, the text the program printed that is still there, and the
// controls it created with their states.
struct ScreenItem
{
    enum class Kind : qint8 {
        Title,
        Text,
        Label,
        Button,
        PushButton,
        RepeatButton,
        CheckBox,
        Field,
        List
    };
    Kind kind = Kind::Text;
    QString text;  // printed text, label, field text
    QRect rect;    // in screen pixels
    int state = 0; // push buttons and check boxes: 1 when on
    bool focused = false;
    bool editable = false;
    QStringList items; // a list's rows
    int selected = -1; // a list's selected row

    bool operator==(const ScreenItem &) const = default;
};

inline QDataStream &operator<<(QDataStream &out, const ScreenItem &item)
{
    return out << static_cast<qint8>(item.kind) << item.text << item.rect
               << static_cast<qint32>(item.state) << item.focused << item.editable << item.items
               << static_cast<qint32>(item.selected);
}

inline QDataStream &operator>>(QDataStream &in, ScreenItem &item)
{
    qint8 kind = 0;
    qint32 state = 0, selected = -1;
    in >> kind >> item.text >> item.rect >> state >> item.focused >> item.editable >> item.items >>
        selected;
    item.kind = static_cast<ScreenItem::Kind>(
        std::clamp<int>(kind, 0, static_cast<int>(ScreenItem::Kind::List)));
    item.state = state;
    item.selected = selected;
    return in;
}
