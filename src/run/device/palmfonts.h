#pragma once

#include <QImage>

// Bitmap fonts shaped like the handheld's: 0 standard, 1 bold, 2 large,
// 7 large bold; the symbol and LED fonts (3-6) fall back to standard and
// large bold. Glyphs are drawn from DejaVu Sans Condensed (Debian's
// fonts-dejavu-core, always present with Qt) at the handheld's line
// heights, without antialiasing, so every pixel is plainly on or off.
// Needs a QGuiApplication. Thread-safe.
namespace PalmFonts {

struct Glyph
{
    int advance = 0;
    QImage mask; // Format_Grayscale8, line-height tall; non-zero = ink
};

int lineHeight(int font);
int averageWidth(int font);
// Glyph of one Latin-1 character.
const Glyph &glyph(int font, unsigned char c);

} // namespace PalmFonts
