#include "LimitMarker.h"

namespace LimitMarker {

int limitFromText(const QString &text)
{
    // Only the spinner writes the field, so the text is always 0..45; anything else means
    // no limit rather than a surprise.
    bool ok = false;
    const short value = text.trimmed().toShort(&ok);
    return ok && value > 0 ? int(value) : 0;
}

float afterUpClick(float left)
{
    return left + Step;
}

std::optional<float> afterDownClick(float left)
{
    if (!(left > Leftmost))
        return std::nullopt;
    return left - Step;
}

} // namespace LimitMarker
