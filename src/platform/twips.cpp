#include "twips.h"

#include <QFont>
#include <QFontMetricsF>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace Twips {

namespace {

// The 8 point system font the layouts were drawn for measures, at 96 dots per
// inch, 6 pixels for an average letter and 13 pixels for a line; a twip was
// 1/15 pixel there.
constexpr double DesignAverageWidth = 6.0;
constexpr double DesignLineHeight = 13.0;
constexpr double DesignTwipsPerPixel = 15.0;

} // namespace

double pixelsPerTwip(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double averageWidth = metrics.horizontalAdvance(letters) / letters.size();
    // One scale for both directions keeps the design's proportions; the larger
    // of the two makes room for the text both ways.
    const double scale =
        std::max(averageWidth / DesignAverageWidth, metrics.height() / DesignLineHeight);
    return scale / DesignTwipsPerPixel;
}

double fittingPixelsPerTwip(const QSize &available, const QFont &font)
{
    // The main window's client area, and around it the title bar, borders
    // and menu bar: about four lines of the UI font in all.
    constexpr int LargestWidth = 9135;
    constexpr int LargestHeight = 8220;
    const int line = QFontMetrics(font).height();
    const double across = double(available.width() - line) / LargestWidth;
    const double down = double(available.height() - 4 * line) / LargestHeight;
    return std::max(0.01, std::min(across, down));
}

namespace {

double cappedPixelsPerTwip(const QFont &font)
{
    const double natural = pixelsPerTwip(font);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return natural;
    return std::min(natural, fittingPixelsPerTwip(screen->availableGeometry().size(), font));
}

} // namespace

double pixelsPerTwip()
{
    return cappedPixelsPerTwip(QGuiApplication::font());
}

QFont windowFont()
{
    QFont font = QGuiApplication::font();
    const double natural = pixelsPerTwip(font);
    const double capped = cappedPixelsPerTwip(font);
    if (capped >= natural)
        return font;
    // Twips follow the font: a font as much smaller fits the capped twip.
    // Its metrics are whole pixels, so it goes down until its own twip is
    // no larger than the cap.
    if (font.pointSizeF() > 0) {
        qreal points = font.pointSizeF() * capped / natural;
        font.setPointSizeF(points);
        while (points > 4 && pixelsPerTwip(font) > capped) {
            points -= 0.25;
            font.setPointSizeF(points);
        }
    } else {
        font.setPixelSize(std::max(4, int(font.pixelSize() * capped / natural)));
    }
    return font;
}

int px(int twips)
{
    return static_cast<int>(std::lround(twips * pixelsPerTwip()));
}

int fromPx(int pixels)
{
    return static_cast<int>(std::lround(pixels / pixelsPerTwip()));
}

} // namespace Twips
