#pragma once

#include <QRect>
#include <QtGlobal>

// Layout measures are kept in twips, 15 to a device-independent pixel (96 dpi); Qt scales
// device-independent pixels to high-DPI screens on its own.
namespace Twips {

constexpr qreal PerPixel = 15;

constexpr qreal toPixels(qreal twips)
{
    return twips / PerPixel;
}
constexpr qreal fromPixels(qreal pixels)
{
    return pixels * PerPixel;
}

// A rectangle given in twips, in whole pixels (rounded to the nearest pixel).
QRect rect(int left, int top, int width, int height);

} // namespace Twips
