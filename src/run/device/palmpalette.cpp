#include "palmpalette.h"

#include <algorithm>
#include <array>

namespace PalmPalette {

namespace {

QList<QRgb> buildPalette()
{
    QList<QRgb> table;
    table.reserve(256);
    // The web colours come in two halves: blue FF, CC, 99 first, then
    // 66, 33, 00. In each half red falls slowest, then blue, then green.
    constexpr std::array<int, 6> levels = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
    for (std::size_t half = 0; half < 2; ++half)
        for (int r : levels)
            for (std::size_t b = 0; b < 3; ++b)
                for (int g : levels)
                    table.append(qRgb(r, g, levels[half * 3 + b]));
    for (int grey : {0x11, 0x22, 0x44, 0x55, 0x77, 0x88, 0xAA, 0xBB, 0xDD, 0xEE})
        table.append(qRgb(grey, grey, grey));
    table.append(qRgb(0xC0, 0xC0, 0xC0));
    table.append(qRgb(0x80, 0x00, 0x00));
    table.append(qRgb(0x80, 0x00, 0x80));
    table.append(qRgb(0x00, 0x80, 0x00));
    table.append(qRgb(0x00, 0x80, 0x80));
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    return table;
}

} // namespace

const QList<QRgb> &colors()
{
    static const QList<QRgb> table = buildPalette();
    return table;
}

int nearestIndex(int r, int g, int b)
{
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    const QList<QRgb> &table = colors();
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < table.size(); ++i) {
        const int dr = qRed(table[i]) - r;
        const int dg = qGreen(table[i]) - g;
        const int db = qBlue(table[i]) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance <= bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace PalmPalette
