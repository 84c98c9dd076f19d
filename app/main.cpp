#include "MainWindow.h"

#include "AppInfo.h"
#include "StartOptions.h"
#include "Translations.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <vector>

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

const QString NoDisplay = u"Verzino: nessuno schermo grafico disponibile (DISPLAY non impostata)"_s;

[[noreturn]] void exitWithoutDisplay()
{
    printError(NoDisplay + u'\n');
    std::_Exit(1);
}

// Names what could not start, in Italian, from what Qt said about it: Qt names the display and
// the plugin it tried, wherever they came from (the command line, the environment, a default).
// A display that could not be opened comes first: with a list of plugins, it is the last tried.
QString startupFailure(const QString &qtSaid)
{
    static const QRegularExpression x11(u"could not connect to display ?(\\S*)"_s);
    static const QRegularExpression plugin(u"Could not find the Qt platform plugin \"([^\"]*)\""_s);
    QString display;
    if (const QRegularExpressionMatch found = x11.match(qtSaid); found.hasMatch())
        display = found.captured(1);
    else if (qtSaid.contains("Failed to create wl_display"_L1))
        display = qEnvironmentVariable("WAYLAND_DISPLAY", u"wayland-0"_s);
    else if (const QRegularExpressionMatch found = plugin.match(qtSaid); found.hasMatch())
        return u"Verzino: modulo della piattaforma grafica \"%1\" non trovato"_s.arg(
            found.captured(1));
    else
        return u"Verzino: impossibile avviare l'interfaccia grafica"_s;
    if (display.isEmpty())
        return NoDisplay;
    return u"Verzino: impossibile aprire lo schermo grafico \"%1\""_s.arg(display);
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

bool displayNamed(const StartOptions::Request &request)
{
    return request.namesDisplay || qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
           qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
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

    if (!displayNamed(request))
        exitWithoutDisplay();
    // Qt sees what comes before "--" and nothing after it.
    int qtArgc = int(request.qtArguments);
    std::vector<char *> qtArgv(argv, argv + qtArgc);
    qtArgv.push_back(nullptr);
    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication app(qtArgc, qtArgv.data());
    replayStartupMessages();
    // Lets Wayland task bars match the window to its desktop entry.
    QGuiApplication::setDesktopFileName(u"it.verzino.Verzino"_s);

    Translations::installItalian(app);

    MainWindow window;
    window.show();
    if (request.tableArgument > 0) {
        // The dialog hands over full paths; so does the command line, unless the working
        // folder's own name is no UTF-8, which Qt's text cannot give back. The name is taken as
        // the bytes given: it need not be UTF-8 either.
        QByteArray path = argv[request.tableArgument];
        if (const QString folder = QDir::currentPath();
            QDir::isRelativePath(QFile::decodeName(path)) &&
            !folder.contains(QChar::ReplacementCharacter))
            path.prepend(QFile::encodeName(folder) + '/');
        QMetaObject::invokeMethod(
            &window, [&window, path] { window.openTable(path); }, Qt::QueuedConnection);
    }
    return app.exec();
}
