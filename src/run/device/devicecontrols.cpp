// The simulated handheld's controls: row layout, drawing, reading and changing them, the menu.
#include "device.h"

#include "palmfonts.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int ControlGap = 4;
constexpr int RowGap = 2;

} // namespace

void Device::newRow()
{
    const std::lock_guard lock(m_mutex);
    m_cursor = QPoint(0, std::max(m_rowBottom + RowGap, m_cursor.y()));
    m_rowBottom = m_cursor.y();
}

int Device::placeControl(Control control)
{
    if (control.rect.right() >= Width || control.rect.bottom() >= Height ||
        control.rect.left() < 0 || control.rect.top() < 0)
        return 0;
    control.id = m_nextControlId++;
    m_controls.append(control);
    drawControlLocked(control);
    touchLocked();
    return control.id;
}

int Device::addControl(ControlKind kind, const QString &text, int group)
{
    const std::lock_guard lock(m_mutex);
    Control control;
    control.kind = kind;
    control.text = text;
    control.group = group;
    const int textWidth = textWidthLocked(text, 0);
    const int height = fontLineHeight(0);
    QSize size;
    switch (kind) {
    case ControlKind::Label:
        size = QSize(std::max(textWidth, 1), height);
        break;
    case ControlKind::CheckBox:
        size = QSize(textWidth + 14, height + 1);
        break;
    default:
        size = QSize(std::max(textWidth + 10, 20), height + 1);
        break;
    }
    control.rect = QRect(m_cursor, size);
    const int id = placeControl(control);
    if (id) {
        m_cursor.rx() = control.rect.right() + 1 + ControlGap;
        m_rowBottom = std::max(m_rowBottom, control.rect.bottom() + 1);
    }
    return id;
}

int Device::addField(int lines, int columns, int maxChars, const QString &text, bool editable,
                     bool underlined)
{
    const std::lock_guard lock(m_mutex);
    Control control;
    control.kind = ControlKind::Field;
    control.lines = std::max(lines, 1);
    control.maxChars = std::max(maxChars, 0);
    control.text = text.left(control.maxChars);
    control.editable = editable;
    control.underlined = underlined;
    control.rect =
        QRect(m_cursor.x(), m_cursor.y(), std::max(columns, 1) * PalmFonts::averageWidth(0),
              control.lines * fontLineHeight(0));
    const int id = placeControl(control);
    if (id) {
        // A field leaves the cursor below it, at the start of a new row.
        m_cursor = QPoint(0, control.rect.bottom() + 1 + RowGap);
        m_rowBottom = m_cursor.y();
    }
    return id;
}

int Device::addList(int lines, int columns, const QStringList &items)
{
    const std::lock_guard lock(m_mutex);
    Control control;
    control.kind = ControlKind::List;
    control.lines = std::max(lines, 1);
    control.items = items;
    control.selected = items.isEmpty() ? -1 : 0;
    control.rect =
        QRect(m_cursor.x(), m_cursor.y(), std::max(columns, 1) * PalmFonts::averageWidth(0) + 4,
              control.lines * fontLineHeight(0) + 2);
    const int id = placeControl(control);
    if (id) {
        m_cursor.rx() = control.rect.right() + 1 + ControlGap;
        m_rowBottom = std::max(m_rowBottom, control.rect.bottom() + 1);
    }
    return id;
}

void Device::drawControlLocked(const Control &c, bool pressed)
{
    const QRect r = c.rect;
    const int fg = m_foreground;
    const int bg = m_background;
    const int height = fontLineHeight(0);
    fillLocked(r, bg);
    switch (c.kind) {
    case ControlKind::Label:
        drawTextLocked(r.left(), r.top(), c.text, 0, fg);
        break;
    case ControlKind::Button:
    case ControlKind::RepeatButton:
    case ControlKind::PushButton: {
        const bool inverted = pressed || (c.kind == ControlKind::PushButton && c.state);
        if (inverted)
            fillLocked(r, fg);
        frameLocked(r, fg);
        if (c.kind != ControlKind::PushButton) // rounded corners
            for (const QPoint &corner :
                 {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                plot(corner.x(), corner.y(), bg);
        const int textWidth = textWidthLocked(c.text, 0);
        drawTextLocked(r.left() + (r.width() - textWidth) / 2, r.top() + 1, c.text, 0,
                       inverted ? bg : fg);
        break;
    }
    case ControlKind::CheckBox: {
        const QRect box(r.left(), r.top() + 1, 10, 10);
        frameLocked(box, fg);
        if (pressed)
            fillLocked(box.adjusted(1, 1, -1, -1), fg);
        if (c.state) {
            lineLocked(box.left() + 2, box.top() + 5, box.left() + 4, box.top() + 7,
                       pressed ? bg : fg);
            lineLocked(box.left() + 4, box.top() + 7, box.left() + 8, box.top() + 2,
                       pressed ? bg : fg);
        }
        drawTextLocked(r.left() + 14, r.top(), c.text, 0, fg);
        break;
    }
    case ControlKind::Field: {
        // Text broken into the field's lines by width; the last lines shown
        // when it holds more than fit.
        QStringList lines{QString()};
        for (QChar ch : c.text) {
            if (ch == QLatin1Char('\n')) {
                lines.append(QString());
                continue;
            }
            if (c.lines > 1 && textWidthLocked(lines.last() + ch, 0) > r.width())
                lines.append(QString());
            lines.last() += ch;
        }
        const qsizetype first = std::max<qsizetype>(0, lines.size() - c.lines);
        for (int i = 0; i < c.lines; ++i) {
            const int y = r.top() + i * height;
            if (first + i < lines.size())
                drawTextLocked(r.left(), y, lines[first + i], 0, fg);
            if (c.underlined)
                for (int x = r.left(); x <= r.right(); x += 2)
                    plot(x, y + height - 1, fg);
        }
        if (c.id == m_focus && c.editable) {
            const qsizetype last = std::min<qsizetype>(lines.size() - 1 - first, c.lines - 1);
            const int x = std::min(r.left() + textWidthLocked(lines.last(), 0), r.right());
            const int y = r.top() + static_cast<int>(last) * height;
            lineLocked(x, y, x, y + height - 3, fg);
        }
        break;
    }
    case ControlKind::List: {
        frameLocked(r, fg);
        // A list longer than its rows keeps a column at the right for its
        // scroll arrows, each shown while there is more that way.
        const bool scrolls = listScrolls(c);
        const int textRight = scrolls ? r.right() - 9 : r.right() - 1;
        for (int i = 0; i < c.lines && c.top + i < c.items.size(); ++i) {
            const QRect row(r.left() + 1, r.top() + 1 + i * height, textRight - r.left(), height);
            const bool selected = c.top + i == c.selected;
            if (selected)
                fillLocked(row, fg);
            QString text = c.items[c.top + i];
            while (!text.isEmpty() && textWidthLocked(text, 0) > row.width() - 2)
                text.chop(1);
            drawTextLocked(row.left() + 1, row.top(), text, 0, selected ? bg : fg);
        }
        if (scrolls) {
            const QRect column(textRight + 1, r.top() + 1, r.right() - textRight - 1,
                               r.height() - 2);
            if (c.top > 0)
                arrowLocked(QRect(column.left(), column.top(), column.width(), 8), Qt::UpArrow, fg);
            if (c.top + c.lines < c.items.size())
                arrowLocked(QRect(column.left(), column.bottom() - 7, column.width(), 8),
                            Qt::DownArrow, fg);
        }
        break;
    }
    }
}

void Device::scrollListLocked(Control &list, int rows)
{
    const int last = std::max(static_cast<int>(list.items.size()) - list.lines, 0);
    list.top = std::clamp(list.top + rows, 0, last);
    m_pagedList = list.id;
    drawControlLocked(list);
    touchLocked();
}

Device::Control *Device::pagedListLocked()
{
    // The list last tapped or scrolled, else the newest that scrolls.
    Control *chosen = controlById(m_pagedList);
    if (chosen && listScrolls(*chosen))
        return chosen;
    for (qsizetype i = m_controls.size() - 1; i >= 0; --i)
        if (m_controls[i].kind == ControlKind::List && listScrolls(m_controls[i]))
            return &m_controls[i];
    return nullptr;
}

Device::Control *Device::controlAt(int x, int y)
{
    for (qsizetype i = m_controls.size() - 1; i >= 0; --i)
        if (m_controls[i].rect.contains(x, y) && m_controls[i].kind != ControlKind::Label)
            return &m_controls[i];
    return nullptr;
}

Device::Control *Device::controlById(int id)
{
    for (Control &c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const Device::Control *Device::controlById(int id) const
{
    for (const Control &c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

bool Device::hasControl(int id) const
{
    const std::lock_guard lock(m_mutex);
    return controlById(id) != nullptr;
}

std::optional<QString> Device::controlText(int id) const
{
    const std::lock_guard lock(m_mutex);
    const Control *c = controlById(id);
    if (!c)
        return std::nullopt;
    if (c->kind == ControlKind::List)
        return c->selected >= 0 && c->selected < c->items.size() ? c->items[c->selected]
                                                                 : QString();
    return c->text;
}

bool Device::setControlText(int id, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlById(id);
    if (!c || c->kind == ControlKind::List)
        return false;
    if (c->kind == ControlKind::Label) {
        // A label keeps the room it was made with.
        if (text.size() > c->text.size())
            return false;
        c->text = text;
    } else if (c->kind == ControlKind::Field) {
        c->text = text.left(c->maxChars);
    } else {
        c->text = text;
    }
    drawControlLocked(*c);
    touchLocked();
    return true;
}

std::optional<int> Device::controlState(int id) const
{
    const std::lock_guard lock(m_mutex);
    const Control *c = controlById(id);
    if (!c)
        return std::nullopt;
    return c->kind == ControlKind::List ? c->selected : c->state;
}

bool Device::setControlState(int id, int state)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlById(id);
    if (!c)
        return false;
    if (c->kind == ControlKind::List) {
        if (state < 0 || state >= c->items.size())
            return false;
        c->selected = state;
        if (state < c->top)
            c->top = state;
        else if (state >= c->top + c->lines)
            c->top = state - c->lines + 1;
    } else if (c->kind == ControlKind::PushButton || c->kind == ControlKind::CheckBox) {
        c->state = state ? 1 : 0;
        if (c->kind == ControlKind::PushButton && c->state && c->group)
            for (Control &other : m_controls)
                if (&other != c && other.kind == ControlKind::PushButton &&
                    other.group == c->group && other.state) {
                    other.state = 0;
                    drawControlLocked(other);
                }
    } else {
        return false;
    }
    drawControlLocked(*c);
    touchLocked();
    return true;
}

bool Device::setFieldAttributes(int id, bool editable, bool underlined)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlById(id);
    if (!c || c->kind != ControlKind::Field)
        return false;
    c->editable = editable;
    c->underlined = underlined;
    drawControlLocked(*c);
    touchLocked();
    return true;
}

bool Device::setFocus(int id)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlById(id);
    if (!c || c->kind != ControlKind::Field)
        return false;
    const int old = m_focus;
    m_focus = id;
    if (Control *previous = controlById(old))
        drawControlLocked(*previous);
    drawControlLocked(*c);
    touchLocked();
    return true;
}

int Device::focusedField() const
{
    const std::lock_guard lock(m_mutex);
    return m_focus;
}

void Device::destroyControls()
{
    const std::lock_guard lock(m_mutex);
    // Removed controls leave the screen as the program's background.
    for (const Control &c : std::as_const(m_controls))
        fillLocked(c.rect, m_background);
    m_controls.clear();
    // No control is left on the row: the next pnl starts below the row's
    // top, not below the controls that are gone.
    m_rowBottom = m_cursor.y();
    m_focus = 0;
    m_pressed = 0;
    m_pagedList = 0;
    touchLocked();
}

void Device::setMenu(const QStringList &items)
{
    const std::lock_guard lock(m_mutex);
    m_menu = items;
}

QStringList Device::menuItems() const
{
    const std::lock_guard lock(m_mutex);
    return m_menu;
}
