#pragma once

#include <QString>

#include <optional>

// The line limit set through the limit field, and the red marker that shows its column.
namespace LimitMarker {

constexpr float Step = 120.0f;     // one character cell of the line box, in twips
constexpr float Leftmost = 175.0f; // the marker's Left for limit 0
constexpr int MaximumLimit = 45;   // the spinner's top; 45 cells fit in the line box

// The limit the field's text sets: a 16-bit decimal, 0 meaning no limit.
int limitFromText(const QString &text);

// The marker's Left after a click on the up arrow: one cell right, with no upper bound.
float afterUpClick(float left);
// After a click on the down arrow: one cell left, or nothing while it stands at the leftmost.
std::optional<float> afterDownClick(float left);

} // namespace LimitMarker
