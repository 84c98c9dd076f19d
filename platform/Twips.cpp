#include "Twips.h"

#include <QtMath>

namespace Twips {

QRect rect(int left, int top, int width, int height)
{
    return {qRound(toPixels(left)), qRound(toPixels(top)), qRound(toPixels(width)),
            qRound(toPixels(height))};
}

} // namespace Twips
