#include "MainWindow.h"

#include "AppInfo.h"
#include "Translations.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

QtMessageHandler previousHandler = nullptr;
struct StartupMessage {
    QtMsgType type;
    QString category;
    QString text;
};
QList<StartupMessage> startupMessages;

[[noreturn]] void exitWithoutDisplay()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString line =
        display.isEmpty()
            ? u"Verzino: nessuno schermo grafico disponibile (DISPLAY non impostata)"_s
            : u"Verzino: impossibile aprire lo schermo grafico \"%1\""_s.arg(display);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

// While the platform starts, Qt's own complaints about a missing display end in an abort; say
// it in one line and leave with status 1 instead. Other messages are held back until the
// start is known to have worked.
void startupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg)
        exitWithoutDisplay();
    startupMessages.append(
        {type, QString::fromUtf8(context.category ? context.category : ""), text});
}

void replayStartupMessages()
{
    qInstallMessageHandler(previousHandler);
    for (const StartupMessage &message : std::as_const(startupMessages)) {
        const QByteArray category = message.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        qt_message_output(message.type, context, message.text);
    }
    startupMessages.clear();
}

bool displayNamed()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(AppInfo::name());
    QCoreApplication::setApplicationVersion(AppInfo::version());

    if (!displayNamed())
        exitWithoutDisplay();
    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication app(argc, argv);
    replayStartupMessages();
    // Lets Wayland task bars match the window to its desktop entry.
    QGuiApplication::setDesktopFileName(u"it.verzino.Verzino"_s);

    Translations::installItalian(app);

    MainWindow window;
    window.show();
    return app.exec();
}
