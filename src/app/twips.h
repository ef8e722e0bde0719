#pragma once

#include <QRect>

// Window layouts are given in twips: 1440 to the inch, 15 to a pixel at 96
// dots per inch. Lengths are rounded to the nearest pixel.
namespace Twips {

constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace Twips
