#include "device.h"
#include "textfile.h"

#include "palmfonts.h"
#include "palmpalette.h"

#include <QtMath>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// A repeating button held down repeats at the handheld's rate.
constexpr int RepeatMs = 300;
constexpr int ControlGap = 4;
constexpr int RowGap = 2;

} // namespace

Device::Device(const QString &databaseFolder)
    : m_screen(Width, Height, QImage::Format_Indexed8), m_databases(databaseFolder)
{
    m_screen.setColorTable(PalmPalette::colors());
    m_screen.fill(PalmPalette::White);
}

// ---------------------------------------------------------------- screen

QImage Device::screen() const
{
    const std::lock_guard lock(m_mutex);
    return m_screen.copy();
}

std::optional<QImage> Device::takeFrameIfChanged()
{
    const std::lock_guard lock(m_mutex);
    if (!m_changed)
        return std::nullopt;
    m_changed = false;
    return m_screen.copy();
}

void Device::plot(int x, int y, int color)
{
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return;
    m_screen.scanLine(y)[x] = static_cast<uchar>(color);
}

void Device::clear(std::optional<int> color)
{
    const std::lock_guard lock(m_mutex);
    m_screen.fill(static_cast<uint>(color.value_or(m_background) & 0xFF));
    m_cursor = QPoint(0, 0);
    m_rowBottom = 0;
    touchLocked();
}

void Device::setPixel(int x, int y, std::optional<int> color)
{
    const std::lock_guard lock(m_mutex);
    plot(x, y, color.value_or(m_foreground) & 0xFF);
    touchLocked();
}

int Device::pixel(int x, int y) const
{
    const std::lock_guard lock(m_mutex);
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return m_background;
    return m_screen.constScanLine(y)[x];
}

void Device::lineLocked(int x1, int y1, int x2, int y2, int color)
{
    // Bresenham, both end points included.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (int steps = 0; steps <= 4 * (Width + Height) + dx - dy; ++steps) {
        plot(x1, y1, color);
        if (x1 == x2 && y1 == y2)
            break;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

void Device::line(int x1, int y1, int x2, int y2, std::optional<int> color)
{
    const std::lock_guard lock(m_mutex);
    lineLocked(x1, y1, x2, y2, color.value_or(m_foreground) & 0xFF);
    m_cursor = QPoint(x2, y2);
    touchLocked();
}

void Device::lineTo(int x, int y, std::optional<int> color)
{
    const std::lock_guard lock(m_mutex);
    lineLocked(m_cursor.x(), m_cursor.y(), x, y, color.value_or(m_foreground) & 0xFF);
    m_cursor = QPoint(x, y);
    touchLocked();
}

void Device::fillLocked(const QRect &area, int color)
{
    const QRect clipped = area.intersected(QRect(0, 0, Width, Height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        std::fill_n(m_screen.scanLine(y) + clipped.left(), clipped.width(),
                    static_cast<uchar>(color));
}

void Device::frameLocked(const QRect &area, int color)
{
    lineLocked(area.left(), area.top(), area.right(), area.top(), color);
    lineLocked(area.left(), area.bottom(), area.right(), area.bottom(), color);
    lineLocked(area.left(), area.top(), area.left(), area.bottom(), color);
    lineLocked(area.right(), area.top(), area.right(), area.bottom(), color);
}

void Device::rect(int x, int y, int dx, int dy, std::optional<int> color, bool filled)
{
    const std::lock_guard lock(m_mutex);
    if (dx <= 0 || dy <= 0)
        return;
    const QRect area(x, y, std::min(dx, 4 * Width), std::min(dy, 4 * Height));
    const int c = color.value_or(m_foreground) & 0xFF;
    if (filled)
        fillLocked(area, c);
    else
        frameLocked(area, c);
    touchLocked();
}

void Device::ellipse(int cx, int cy, int rx, int ry, std::optional<int> color, bool filled)
{
    const std::lock_guard lock(m_mutex);
    const int c = color.value_or(m_foreground) & 0xFF;
    rx = std::min(std::abs(rx), 4 * Width);
    ry = std::min(std::abs(ry), 4 * Height);
    // Midpoint ellipse: for each row, the half-width whose edge lies nearest
    // the ideal curve; outlines join consecutive rows so there are no gaps.
    int previous = -1;
    for (int dy = ry; dy >= 0; --dy) {
        const double t = ry == 0 ? 0.0 : static_cast<double>(dy) / ry;
        const int half = static_cast<int>(std::lround(rx * std::sqrt(std::max(0.0, 1 - t * t))));
        for (int sign : {-1, 1}) {
            const int y = cy + sign * dy;
            if (filled) {
                fillLocked(QRect(QPoint(cx - half, y), QPoint(cx + half, y)), c);
            } else {
                const int from = previous < 0 ? half : std::min(half, previous + 1);
                for (int x = from; x <= half; ++x) {
                    plot(cx - x, y, c);
                    plot(cx + x, y, c);
                }
            }
            if (dy == 0)
                break;
        }
        previous = half;
    }
    touchLocked();
}

void Device::setColors(int foreground, std::optional<int> background)
{
    const std::lock_guard lock(m_mutex);
    m_foreground = foreground & 0xFF;
    if (background)
        m_background = *background & 0xFF;
}

int Device::foreground() const
{
    const std::lock_guard lock(m_mutex);
    return m_foreground;
}

int Device::background() const
{
    const std::lock_guard lock(m_mutex);
    return m_background;
}

void Device::moveTo(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    m_cursor = QPoint(x, y);
}

QPoint Device::cursor() const
{
    const std::lock_guard lock(m_mutex);
    return m_cursor;
}

QSize Device::setFont(int font)
{
    const std::lock_guard lock(m_mutex);
    m_font = std::clamp(font, 0, 7);
    return QSize(PalmFonts::averageWidth(m_font), PalmFonts::lineHeight(m_font));
}

void Device::setHeading(double degrees)
{
    const std::lock_guard lock(m_mutex);
    m_heading = std::fmod(degrees, 360.0);
}

void Device::turn(double degrees)
{
    const std::lock_guard lock(m_mutex);
    m_heading = std::fmod(m_heading + degrees, 360.0);
}

void Device::walk(double distance)
{
    const std::lock_guard lock(m_mutex);
    // 0 degrees points right and 90 up; screen y grows downwards.
    const double radians = qDegreesToRadians(m_heading);
    const int x = m_cursor.x() + static_cast<int>(std::lround(distance * std::cos(radians)));
    const int y = m_cursor.y() - static_cast<int>(std::lround(distance * std::sin(radians)));
    lineLocked(m_cursor.x(), m_cursor.y(), x, y, m_foreground);
    m_cursor = QPoint(x, y);
    touchLocked();
}

int Device::fontLineHeight(int font) const
{
    return PalmFonts::lineHeight(font);
}

namespace {

// The byte a character has in the handheld's Windows-1252 fonts.
unsigned char handheldByte(QChar c)
{
    const int byte = TextFile::windows1252Byte(c.unicode());
    return static_cast<unsigned char>(byte < 0 ? '?' : byte);
}

} // namespace

int Device::textWidthLocked(const QString &text, int font) const
{
    int width = 0;
    for (QChar c : text)
        width += PalmFonts::glyph(font, handheldByte(c)).advance;
    return width;
}

void Device::drawTextLocked(int x, int y, const QString &text, int font, int color)
{
    for (QChar c : text) {
        const PalmFonts::Glyph &glyph = PalmFonts::glyph(font, handheldByte(c));
        for (int gy = 0; gy < glyph.mask.height(); ++gy) {
            const uchar *row = glyph.mask.constScanLine(gy);
            for (int gx = 0; gx < glyph.mask.width() && gx < glyph.advance; ++gx)
                if (row[gx] >= 128)
                    plot(x + gx, y + gy, color);
        }
        x += glyph.advance;
    }
}

void Device::drawText(const QByteArray &latin1)
{
    const std::lock_guard lock(m_mutex);
    const int height = fontLineHeight(m_font);
    QString run;
    const auto flush = [&] {
        drawTextLocked(m_cursor.x(), m_cursor.y(), run, m_font, m_foreground);
        m_cursor.rx() += textWidthLocked(run, m_font);
        run.clear();
    };
    for (char ch : latin1) {
        if (ch == '\n') {
            flush();
            m_cursor = QPoint(0, m_cursor.y() + height);
        } else if (ch == '\t') {
            flush();
            m_cursor.rx() = (m_cursor.x() / 8 + 1) * 8;
        } else {
            run += QChar::fromLatin1(ch);
        }
    }
    flush();
    touchLocked();
}

void Device::newRow()
{
    const std::lock_guard lock(m_mutex);
    m_cursor = QPoint(0, std::max(m_rowBottom + RowGap, m_cursor.y()));
    m_rowBottom = m_cursor.y();
}

void Device::tab(int count)
{
    const std::lock_guard lock(m_mutex);
    m_cursor.rx() += 8 * count;
}

void Device::setTitle(const QString &title)
{
    const std::lock_guard lock(m_mutex);
    m_title = title;
    fillLocked(QRect(0, 0, Width, TitleHeight), m_background);
    if (!title.isEmpty()) {
        // A dark tab holding the title in bold, over a rule across the screen.
        const int width = textWidthLocked(title, 1) + 6;
        fillLocked(QRect(0, 0, width, 13), m_foreground);
        drawTextLocked(3, 1, title, 1, m_background);
        fillLocked(QRect(0, 11, Width, 2), m_foreground);
        if (m_cursor.y() < TitleHeight) {
            m_cursor = QPoint(0, TitleHeight);
            m_rowBottom = TitleHeight;
        }
    }
    touchLocked();
}

// ---------------------------------------------------------------- controls

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
        for (int i = 0; i < c.lines && c.top + i < c.items.size(); ++i) {
            const QRect row(r.left() + 1, r.top() + 1 + i * height, r.width() - 2, height);
            const bool selected = c.top + i == c.selected;
            if (selected)
                fillLocked(row, fg);
            QString text = c.items[c.top + i];
            while (!text.isEmpty() && textWidthLocked(text, 0) > row.width() - 2)
                text.chop(1);
            drawTextLocked(row.left() + 1, row.top(), text, 0, selected ? bg : fg);
        }
        break;
    }
    }
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
    m_focus = 0;
    m_pressed = 0;
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

// ---------------------------------------------------------------- input

void Device::enqueueLocked(const DeviceEvent &event)
{
    m_events.push_back(event);
    m_wake.notify_all();
}

void Device::postEvent(const DeviceEvent &event)
{
    const std::lock_guard lock(m_mutex);
    enqueueLocked(event);
}

void Device::penDown(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlAt(x, y);
    if (!c) {
        m_pressed = 0;
        enqueueLocked({DeviceEventType::penDown, {x, y}});
        return;
    }
    m_pressed = c->id;
    if (c->kind == ControlKind::Field) {
        const int old = m_focus;
        m_focus = c->id;
        if (Control *previous = controlById(old))
            drawControlLocked(*previous);
        drawControlLocked(*c);
    } else if (c->kind != ControlKind::List) {
        drawControlLocked(*c, true);
    }
    if (c->kind == ControlKind::RepeatButton)
        enqueueLocked({DeviceEventType::ctlRepeat, {c->id}});
    touchLocked();
}

void Device::penMove(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    if (!m_pressed)
        enqueueLocked({DeviceEventType::penMove, {x, y}});
}

void Device::penUp(int x, int y)
{
    const std::lock_guard lock(m_mutex);
    Control *c = controlById(m_pressed);
    m_pressed = 0;
    if (!c) {
        enqueueLocked({DeviceEventType::penUp, {x, y}});
        return;
    }
    const bool inside = c->rect.contains(x, y);
    switch (c->kind) {
    case ControlKind::Button:
        if (inside)
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, 0}});
        break;
    case ControlKind::PushButton:
        if (inside) {
            // In a group the tapped button is selected; alone it toggles.
            c->state = c->group ? 1 : !c->state;
            if (c->group)
                for (Control &other : m_controls)
                    if (&other != c && other.kind == ControlKind::PushButton &&
                        other.group == c->group && other.state) {
                        other.state = 0;
                        drawControlLocked(other);
                    }
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, c->state}});
        }
        break;
    case ControlKind::CheckBox:
        if (inside) {
            c->state = !c->state;
            enqueueLocked({DeviceEventType::ctlSelect, {c->id, c->state}});
        }
        break;
    case ControlKind::List:
        if (inside) {
            const int row = c->top + (y - c->rect.top() - 1) / fontLineHeight(0);
            if (row >= 0 && row < c->items.size() && row < c->top + c->lines) {
                c->selected = row;
                enqueueLocked({DeviceEventType::lstSelect, {c->id, row}});
            }
        }
        break;
    default:
        break;
    }
    drawControlLocked(*c);
    touchLocked();
}

void Device::tap(int x, int y)
{
    penDown(x, y);
    penUp(x, y);
}

void Device::key(int code)
{
    const std::lock_guard lock(m_mutex);
    Control *field = controlById(m_focus);
    const bool printable = code >= 0x20 && code < 0x100 && code != 0x7F;
    if (field && field->editable &&
        (printable || code == DeviceKey::backspace ||
         (code == DeviceKey::linefeed && field->lines > 1))) {
        if (code == DeviceKey::backspace)
            field->text.chop(1);
        else if (field->text.size() < field->maxChars)
            field->text += QChar(code);
        drawControlLocked(*field);
        touchLocked();
        return;
    }
    enqueueLocked({DeviceEventType::keyDown, {code}});
}

void Device::chooseMenu(int number)
{
    const std::lock_guard lock(m_mutex);
    enqueueLocked({DeviceEventType::menuSelect, {number}});
}

// ---------------------------------------------------------------- waiting

void Device::setInputFeeder(std::function<bool(Device &)> feeder)
{
    const std::lock_guard lock(m_mutex);
    m_feeder = std::move(feeder);
}

void Device::holdInput(int ms)
{
    const std::lock_guard lock(m_mutex);
    m_quietUntil = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
}

bool Device::inputEnded() const
{
    const std::lock_guard lock(m_mutex);
    return m_inputEnded;
}

std::optional<DeviceEvent> Device::waitEvent(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (m_stop)
            return std::nullopt;
        if (!m_events.empty()) {
            DeviceEvent event = m_events.front();
            m_events.pop_front();
            return event;
        }
        if (m_feeder && !m_inputEnded && Clock::now() >= m_quietUntil) {
            const std::function<bool(Device &)> feeder = m_feeder;
            lock.unlock();
            const bool more = feeder(*this);
            lock.lock();
            if (!more)
                m_inputEnded = true;
            continue;
        }
        if (m_inputEnded)
            return std::nullopt;
        const Control *held = controlById(m_pressed);
        const bool repeating = held && held->kind == ControlKind::RepeatButton;
        auto until = Clock::time_point::max();
        if (timeoutMs >= 0)
            until = deadline;
        if (m_feeder && !m_inputEnded)
            until = std::min(until, m_quietUntil);
        if (repeating)
            until = std::min(until, Clock::now() + std::chrono::milliseconds(RepeatMs));
        const bool woken = until == Clock::time_point::max()
                               ? (m_wake.wait(lock), true)
                               : m_wake.wait_until(lock, until) == std::cv_status::no_timeout;
        if (woken || m_stop || !m_events.empty())
            continue;
        if (repeating && controlById(m_pressed) == held) {
            enqueueLocked({DeviceEventType::ctlRepeat, {held->id}});
            continue;
        }
        if (timeoutMs >= 0 && Clock::now() >= deadline)
            return DeviceEvent{DeviceEventType::nilEvent, {}};
    }
}

void Device::setDialogAnswerer(
    std::function<std::optional<DialogAnswer>(const DialogRequest &)> answerer)
{
    const std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

void Device::setDialogObserver(std::function<void(const DialogRequest &)> observer)
{
    const std::lock_guard lock(m_mutex);
    m_dialogObserver = std::move(observer);
}

std::optional<DialogAnswer> Device::askDialog(const DialogRequest &request)
{
    std::unique_lock lock(m_mutex);
    if (m_answerer) {
        const auto answerer = m_answerer;
        lock.unlock();
        std::optional<DialogAnswer> answer = answerer(request);
        lock.lock();
        if (!answer)
            m_inputEnded = true;
        return answer;
    }
    m_answer.reset();
    m_dialogOpen = true;
    if (m_dialogObserver) {
        const auto observer = m_dialogObserver;
        lock.unlock();
        observer(request);
        lock.lock();
    }
    m_wake.wait(lock, [this] { return m_stop || m_answer.has_value(); });
    m_dialogOpen = false;
    if (m_stop)
        return std::nullopt;
    return m_answer;
}

void Device::answerDialog(const DialogAnswer &answer)
{
    const std::lock_guard lock(m_mutex);
    if (!m_dialogOpen)
        return;
    m_answer = answer;
    m_wake.notify_all();
}

bool Device::sleepMs(qint64 ms)
{
    std::unique_lock lock(m_mutex);
    const auto until = Clock::now() + std::chrono::milliseconds(std::max<qint64>(ms, 0));
    m_wake.wait_until(lock, until, [this] { return m_stop; });
    return !m_stop;
}

void Device::requestStop()
{
    const std::lock_guard lock(m_mutex);
    m_stop = true;
    m_wake.notify_all();
}

bool Device::stopped() const
{
    const std::lock_guard lock(m_mutex);
    return m_stop;
}

// ---------------------------------------------------------------- sound, output

void Device::setSoundObserver(std::function<void(const QString &)> observer)
{
    const std::lock_guard lock(m_mutex);
    m_soundObserver = std::move(observer);
}

void Device::beep(int sound)
{
    static const char *const names[] = {"info",  "warning",      "error", "startup",
                                        "alarm", "confirmation", "click"};
    const QString name = sound >= 1 && sound <= 7 ? QString::fromLatin1(names[sound - 1])
                                                  : QStringLiteral("sound %1").arg(sound);
    std::function<void(const QString &)> observer;
    {
        const std::lock_guard lock(m_mutex);
        observer = m_soundObserver;
    }
    if (observer)
        observer(QStringLiteral("Beep: %1").arg(name));
}

void Device::tone(int frequency, int milliseconds, int amplitude)
{
    std::function<void(const QString &)> observer;
    {
        const std::lock_guard lock(m_mutex);
        observer = m_soundObserver;
    }
    if (observer && amplitude > 0)
        observer(QStringLiteral("Tone: %1 Hz, %2 ms").arg(frequency).arg(milliseconds));
    // The handheld plays a tone to its end before the program goes on.
    sleepMs(milliseconds);
}

void Device::setOutput(std::function<void(const QByteArray &)> sink)
{
    const std::lock_guard lock(m_mutex);
    m_output = std::move(sink);
}

void Device::output(const QByteArray &text) const
{
    std::function<void(const QByteArray &)> sink;
    {
        const std::lock_guard lock(m_mutex);
        sink = m_output;
    }
    if (sink)
        sink(text);
}
