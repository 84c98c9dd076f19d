#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Fits a window drawn in twips to the fonts actually in use. A control whose contents need
// more room than its design rectangle grows to it; the rest of its row moves right by as much,
// keeping the designed gaps; the rows below move down by as much as the row above grew; and
// controls that share a designed Left stay in one column. The client area grows with them, and
// a control drawn across the whole client width keeps spanning it. When every control's
// contents fit, the result is exactly the design.
namespace DesignLayout {

struct Control {
    QRect design;           // twips, from the client area's top-left corner
    QSize needed;           // pixels the contents need; 0 in a direction that never grows
    bool fullWidth = false; // spans the client area's width, as a status bar does
};

struct Fit {
    QList<QRect> rects; // pixels, in the order the controls were given
    QSize client;       // pixels
};

Fit fit(QSize designClient, const QList<Control> &controls);

// A bar split into panels that keep their designed shares of its width.
// The pixels of a panel designed partTwips wide in a bar designed wholeTwips wide.
int share(int width, int partTwips, int wholeTwips);
// The narrowest bar in which that panel gets at least `needed` pixels.
int widthForShare(int needed, int partTwips, int wholeTwips);

} // namespace DesignLayout
