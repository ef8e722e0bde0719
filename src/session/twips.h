#pragma once

#include <QRect>

class QFont;

// Window layouts are given in twips. They were drawn for an 8 point system
// font, so a twip is not a fixed length here: it is sized from the UI font in
// use, and a window keeps its proportions and shows its texts whole whatever
// the desktop's font. Lengths are rounded to the nearest pixel.
namespace Twips {

// Device-independent pixels per twip for `font`: 1/15 for the design's own
// font, more for a larger one.
double pixelsPerTwip(const QFont &font);
// The same for the application's UI font.
double pixelsPerTwip();

int px(int twips);

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Pixels back to twips, for lengths that are stored in twips.
int fromPx(int pixels);

} // namespace Twips
