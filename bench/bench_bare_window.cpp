// A bare Qt window for comparing start-up time and memory with the program's (see
// measure-startup.sh). With --quit-after-show it quits as soon as it has painted once.

#include "BareWindow.h"

#include <QApplication>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool quitAfterShow = argc > 1 && std::strcmp(argv[1], "--quit-after-show") == 0;
    BareWindow window(quitAfterShow);
    window.show();
    return app.exec();
}
