#pragma once

#include <QList>
#include <QRgb>

// The handheld's 8-bit colour palette: 216 "web" colours, ten greys, five
// system colours, and black for the unused entries. Colour numbers in Plua
// programs are indices into it.
namespace PalmPalette {

constexpr int White = 0;
constexpr int Black = 255;

// The 256 entries, index order, as opaque RGB values.
const QList<QRgb> &colors();

// The index whose colour is nearest to r, g, b (components clamped to
// 0-255). Ties go to the higher index, so black is 255, the colour the
// handheld itself uses for black.
int nearestIndex(int r, int g, int b);

} // namespace PalmPalette
