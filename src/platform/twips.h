#pragma once

#include <QRect>

class QFont;
class QSize;

// Window layouts are given in twips. They were drawn for an 8 point system
// font, so a twip is not a fixed length here: it is sized from the UI font in
// use, and a window keeps its proportions and shows its texts whole whatever
// the desktop's font. Lengths are rounded to the nearest pixel.
namespace Twips {

// Device-independent pixels per twip for `font`: 1/15 for the design's own
// font, more for a larger one.
double pixelsPerTwip(const QFont &font);
// The largest twip with which the largest window (the main window, its menu
// bar and frame) still fits in `available`, the screen's free area.
double fittingPixelsPerTwip(const QSize &available, const QFont &font);
// The twip in use: the UI font's, capped so that every window fits the
// primary screen's free area.
double pixelsPerTwip();
// The UI font, made as much smaller as the cap made the twip, so that the
// windows' texts keep their room; the UI font itself where no cap applies.
QFont windowFont();

int px(int twips);

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Pixels back to twips, for lengths that are stored in twips.
int fromPx(int pixels);

} // namespace Twips
