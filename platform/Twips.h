#pragma once

#include <QRect>
#include <QtGlobal>

// The design's measures are in twips, 15 to a device-independent pixel (96 dpi); Qt scales
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

// A rectangle given in twips, in whole pixels (each measure rounded to the nearest pixel).
constexpr QRect rect(qreal left, qreal top, qreal width, qreal height)
{
    return {qRound(toPixels(left)), qRound(toPixels(top)), qRound(toPixels(width)),
            qRound(toPixels(height))};
}

} // namespace Twips
