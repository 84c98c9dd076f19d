#pragma once

// The line limit set with the spinner, and the red marker that shows its column.
namespace LimitMarker {

constexpr float Step = 120.0f;     // one character cell of the line box, in twips
constexpr float Leftmost = 175.0f; // the marker's Left for limit 0
constexpr int MaximumLimit = 45;   // the spinner's top; 45 cells fit in the line box

// The marker's Left for a limit: one cell right of the leftmost for each character.
constexpr float leftFor(int limit)
{
    return Leftmost + Step * float(limit);
}

} // namespace LimitMarker
