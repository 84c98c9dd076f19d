#include "ContentSize.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QStyle>

namespace ContentSize {

QSize needed(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->sizeHint();

    if (const auto *box = qobject_cast<const QCheckBox *>(control)) {
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, box);
        return {box->sizeHint().width(), qMax(indicator, box->fontMetrics().height())};
    }

    if (const auto *field = qobject_cast<const QLineEdit *>(control)) {
        // A line box is as wide as its designed columns; in height it needs its line, the
        // frame and the one-pixel margin QLineEdit keeps above and below the text.
        const int frame =
            field->hasFrame()
                ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field)
                : 0;
        const QMargins text = field->textMargins();
        const QMargins contents = field->contentsMargins();
        return {0, field->fontMetrics().height() + 2 + 2 * frame + text.top() + text.bottom() +
                       contents.top() + contents.bottom()};
    }

    // A status bar's panels keep their shares of its width: its width comes from them.
    if (const auto *bar = qobject_cast<const QStatusBar *>(control))
        return {0, bar->sizeHint().height()};

    return {};
}

} // namespace ContentSize
