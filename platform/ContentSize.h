#pragma once

#include <QSize>

class QWidget;

// The room a control's contents need to be shown whole in its current font and style, in
// pixels; 0 in a direction the control never needs to grow in. Captions need their full width;
// heights need the text's line, not the extra padding a style's size hint adds.
namespace ContentSize {

QSize needed(const QWidget *control);

} // namespace ContentSize
