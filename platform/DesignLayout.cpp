#include "DesignLayout.h"

#include "Twips.h"

#include <algorithm>
#include <numeric>

namespace DesignLayout {

namespace {

QRect toPixels(const QRect &twips)
{
    return Twips::rect(twips.x(), twips.y(), twips.width(), twips.height());
}

// Controls whose designed spans from top to bottom overlap form one row, top row first.
QList<QList<qsizetype>> rowsOf(const QList<Control> &controls)
{
    QList<qsizetype> order(controls.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&controls](qsizetype a, qsizetype b) {
        return controls[a].design.top() < controls[b].design.top();
    });

    QList<QList<qsizetype>> rows;
    int rowEnd = 0; // one past the lowest twip of the current row
    for (qsizetype i : order) {
        const QRect &design = controls[i].design;
        if (rows.isEmpty() || design.top() >= rowEnd) {
            rows.append(QList<qsizetype>());
            rowEnd = design.top();
        }
        rows.last().append(i);
        rowEnd = qMax(rowEnd, design.top() + design.height());
    }
    return rows;
}

} // namespace

Fit fit(QSize designClient, const QList<Control> &controls)
{
    const QSize client0 = toPixels(QRect(QPoint(), designClient)).size();
    QList<QRect> design(controls.size());
    std::transform(controls.begin(), controls.end(), design.begin(),
                   [](const Control &control) { return toPixels(control.design); });

    Fit result;
    result.rects = design;
    QList<QRect> &rects = result.rects;

    // Down the rows: a row grows by what its tallest need exceeds, and pushes the rest down.
    const QList<QList<qsizetype>> rows = rowsOf(controls);
    int shift = 0;
    for (const QList<qsizetype> &row : rows) {
        int growth = 0;
        for (qsizetype i : row)
            growth = qMax(growth, controls[i].needed.height() - design[i].height());
        for (qsizetype i : row) {
            rects[i].moveTop(design[i].top() + shift);
            rects[i].setHeight(design[i].height() + growth);
        }
        shift += growth;
    }

    // Across: widen to the need, keep the designed gap to the left neighbour, keep columns.
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (!controls[i].fullWidth)
            rects[i].setWidth(qMax(design[i].width(), controls[i].needed.width()));
    }
    QList<QList<qsizetype>> rowsAcross = rows;
    for (QList<qsizetype> &row : rowsAcross) {
        row.removeIf([&controls](qsizetype i) { return controls[i].fullWidth; });
        std::stable_sort(row.begin(), row.end(), [&design](qsizetype a, qsizetype b) {
            return design[a].left() < design[b].left();
        });
    }
    // Lefts only ever grow. One pass per control settles any design whose rows and columns do
    // not push each other round in a circle; such a design stops there.
    for (qsizetype pass = 0; pass <= controls.size(); ++pass) {
        bool moved = false;
        const auto pushTo = [&rects, &moved](qsizetype i, int left) {
            if (rects[i].left() < left) {
                rects[i].moveLeft(left);
                moved = true;
            }
        };
        for (const QList<qsizetype> &row : std::as_const(rowsAcross)) {
            for (qsizetype k = 1; k < row.size(); ++k) {
                const qsizetype before = row[k - 1];
                const qsizetype i = row[k];
                const int gap = qMax(0, design[i].left() - (design[before].right() + 1));
                pushTo(i, rects[before].right() + 1 + gap);
            }
        }
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = 0; j < controls.size(); ++j) {
                if (!controls[i].fullWidth && !controls[j].fullWidth &&
                    controls[i].design.left() == controls[j].design.left())
                    pushTo(i, rects[j].left());
            }
        }
        if (!moved)
            break;
    }

    // The client area keeps the design's narrowest right margin and grows in height by what
    // the rows grew.
    int margin = client0.width();
    int rightmost = 0;
    int fullWidthNeed = 0;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (controls[i].fullWidth) {
            fullWidthNeed = qMax(fullWidthNeed,
                                 controls[i].needed.width() + client0.width() - design[i].width());
            continue;
        }
        margin = qMin(margin, qMax(0, client0.width() - (design[i].right() + 1)));
        rightmost = qMax(rightmost, rects[i].right() + 1);
    }
    result.client = {std::max({client0.width(), rightmost + margin, fullWidthNeed}),
                     client0.height() + shift};

    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (controls[i].fullWidth)
            rects[i].setWidth(result.client.width() - (client0.width() - design[i].width()));
    }
    return result;
}

int share(int width, int partTwips, int wholeTwips)
{
    if (wholeTwips <= 0)
        return 0;
    return int((qint64(width) * partTwips + wholeTwips / 2) / wholeTwips);
}

int widthForShare(int needed, int partTwips, int wholeTwips)
{
    if (partTwips <= 0 || needed <= 0)
        return 0;
    // The smallest width whose rounded share reaches `needed`.
    int width = int((qint64(needed) * wholeTwips + partTwips - 1) / partTwips);
    while (width > 0 && share(width - 1, partTwips, wholeTwips) >= needed)
        --width;
    return width;
}

} // namespace DesignLayout
