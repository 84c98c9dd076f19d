// Draws the status bar as the program shows it, with a given text, into a PNG, so that the
// end-to-end test can read the program's status line off a screenshot by comparing pixels.
#include "StatusBar.h"
#include "Twips.h"

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: render_status TEXT OUTPUT.png\n");
        return 2;
    }
    StatusBar bar;
    bar.setFixedSize(Twips::rect(0, 1695, 6600, 375).size());
    bar.setPanelText(args.at(1));
    bar.refreshCapsLock();
    bar.show();
    if (!QTest::qWaitForWindowExposed(&bar))
        return 1;
    return bar.grab().save(args.at(2)) ? 0 : 1;
}
