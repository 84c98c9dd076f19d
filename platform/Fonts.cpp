#include "Fonts.h"

#include <QFontMetricsF>

using namespace Qt::StringLiterals;

namespace Fonts {

QFont courier()
{
    QFont font(u"Courier"_s);
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);

    // Courier's advance is 0.6 em, 7.8 pixels at this size: spread the glyphs to a whole
    // 8-pixel cell. The advance Qt reports is a multiple of 1/64 pixel, so the difference is
    // exact and 45 cells come to exactly 360 pixels.
    const qreal advance = QFontMetricsF(font).horizontalAdvance(u"M"_s);
    if (advance > 0 && !qFuzzyCompare(advance, CellPixels))
        font.setLetterSpacing(QFont::AbsoluteSpacing, CellPixels - advance);
    return font;
}

} // namespace Fonts
