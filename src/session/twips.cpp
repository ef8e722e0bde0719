#include "twips.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

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

double pixelsPerTwip()
{
    return pixelsPerTwip(QGuiApplication::font());
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
