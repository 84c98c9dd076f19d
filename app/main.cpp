#include "MainWindow.h"

#include "AppInfo.h"
#include "StartOptions.h"
#include "Translations.h"

#include <QApplication>
#include <QDir>

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

void printError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

[[noreturn]] void exitWithoutDisplay()
{
    printError(u"Verzino: nessuno schermo grafico disponibile (DISPLAY non impostata)\n"_s);
    std::_Exit(1);
}

// Names what could not start, in Italian, from what Qt said about it.
QString startupFailure(const QString &qtSaid)
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (qtSaid.contains("Could not find the Qt platform plugin"_L1))
        return u"Verzino: modulo della piattaforma grafica \"%1\" non trovato"_s.arg(platform);
    if (qtSaid.contains("could not connect to display"_L1) ||
        qtSaid.contains("Failed to create wl_display"_L1)) {
        const QString display = platform.startsWith("wayland"_L1)
                                    ? qEnvironmentVariable("WAYLAND_DISPLAY")
                                    : qEnvironmentVariable("DISPLAY");
        return u"Verzino: impossibile aprire lo schermo grafico \"%1\""_s.arg(display);
    }
    return u"Verzino: impossibile avviare l'interfaccia grafica"_s;
}

// While the platform starts, Qt's complaints end in an abort; say in Italian what failed, with
// Qt's own reason beside it, and leave with status 1 instead. Other messages are held back until
// the start is known to have worked.
void startupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        QStringList said;
        for (const StartupMessage &message : std::as_const(startupMessages))
            said.append(message.text);
        said.append(text);
        const QString reasons = said.join(u'\n');
        QString report = startupFailure(reasons) + u'\n';
        for (const QString &line : reasons.split(u'\n', Qt::SkipEmptyParts))
            report += u"  Qt: "_s + line + u'\n';
        printError(report);
        std::_Exit(1);
    }
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

    // Before any display: --help and --version work without one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const StartOptions::Request request = StartOptions::parse(arguments);
    switch (request.action) {
    case StartOptions::Action::ShowHelp:
    case StartOptions::Action::ShowVersion:
        std::fputs(request.message.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    case StartOptions::Action::Fail:
        printError(request.message);
        return StartOptions::UsageError;
    case StartOptions::Action::Run:
        break;
    }

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
    if (!request.tableFile.isEmpty()) {
        // The dialog hands over full paths; so does the command line.
        const QString path = QDir::current().absoluteFilePath(request.tableFile);
        QMetaObject::invokeMethod(
            &window, [&window, path] { window.openTable(path); }, Qt::QueuedConnection);
    }
    return app.exec();
}
