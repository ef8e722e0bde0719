// The handheld's screen in words, for a screen reader.
#include "device.h"

namespace {

// Enough for a full screen of small text many times over; a program that
// prints without end keeps the latest.
constexpr qsizetype MaxTexts = 400;

} // namespace

void Device::noteTextLocked(const QRect &area, const QString &text, ScreenItem::Kind kind)
{
    const QRect shown = area.intersected(QRect(0, 0, Width, Height));
    if (text.isEmpty() || shown.isEmpty())
        return;
    forgetTextLocked(shown);
    ScreenItem item;
    item.kind = kind;
    item.text = text;
    item.rect = shown;
    m_texts.append(item);
    if (m_texts.size() > MaxTexts)
        m_texts.removeFirst();
}

void Device::forgetTextLocked(const QRect &area)
{
    m_texts.removeIf([&area](const ScreenItem &item) { return item.rect.intersects(area); });
}

QList<ScreenItem> Device::screenItems() const
{
    const std::lock_guard lock(m_mutex);
    // A form is modal: while it is open it is all there is to read.
    if (m_form.open)
        return m_form.words;
    QList<ScreenItem> items = m_texts;
    for (const Control &c : m_controls) {
        ScreenItem item;
        switch (c.kind) {
        case ControlKind::Label:
            item.kind = ScreenItem::Kind::Label;
            break;
        case ControlKind::Button:
            item.kind = ScreenItem::Kind::Button;
            break;
        case ControlKind::PushButton:
            item.kind = ScreenItem::Kind::PushButton;
            break;
        case ControlKind::RepeatButton:
            item.kind = ScreenItem::Kind::RepeatButton;
            break;
        case ControlKind::CheckBox:
            item.kind = ScreenItem::Kind::CheckBox;
            break;
        case ControlKind::Field:
            item.kind = ScreenItem::Kind::Field;
            break;
        case ControlKind::List:
            item.kind = ScreenItem::Kind::List;
            break;
        }
        item.text = c.text;
        item.rect = c.rect;
        item.state = c.state;
        item.focused = c.kind == ControlKind::Field && c.id == m_focus;
        item.editable = c.kind == ControlKind::Field && c.editable;
        item.items = c.items;
        item.selected = c.selected;
        items.append(item);
    }
    return items;
}
