// The simulated handheld's construction and its screen: drawing, text and the title bar.
#include "device.h"
#include "textfile.h"

#include "palmfonts.h"
#include "palmpalette.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

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
    m_texts.clear();
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
    forgetTextLocked(clipped);
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
        // Text is drawn on its own background, as the handheld draws it:
        // new text at the same place replaces the old.
        const int width = textWidthLocked(run, m_font);
        fillLocked(QRect(m_cursor.x(), m_cursor.y(), width, height), m_background);
        drawTextLocked(m_cursor.x(), m_cursor.y(), run, m_font, m_foreground);
        noteTextLocked(QRect(m_cursor.x(), m_cursor.y(), width, height), run);
        m_cursor.rx() += width;
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
        noteTextLocked(QRect(0, 0, Width, TitleHeight), title, ScreenItem::Kind::Title);
        if (m_cursor.y() < TitleHeight) {
            m_cursor = QPoint(0, TitleHeight);
            m_rowBottom = TitleHeight;
        }
    }
    touchLocked();
}
