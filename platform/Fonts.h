#pragma once

#include "LimitMarker.h"
#include "Twips.h"

#include <QFont>

namespace Fonts {

// Width of one character cell of the fixed-pitch font, in device-independent pixels: the
// marker's step.
constexpr qreal CellPixels = Twips::toPixels(LimitMarker::Step);

// "Courier" 9.75 pt regular with every character exactly one 8-pixel cell wide, so that the
// limit marker, which steps one cell per character, stays under the right column.
QFont courier();

} // namespace Fonts
