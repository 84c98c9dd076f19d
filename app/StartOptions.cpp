#include "StartOptions.h"

#include "AppInfo.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// Qt's standard options that QGuiApplication and QApplication take off the command line; the
// first group takes a value, as the next argument or after "=".
const QStringList QtOptionsWithValue = {
    u"platform"_s,
    u"platformpluginpath"_s,
    u"platformtheme"_s,
    u"plugin"_s,
    u"qwindowgeometry"_s,
    u"qwindowicon"_s,
    u"qwindowtitle"_s,
    u"display"_s,
    u"geometry"_s,
    u"style"_s,
    u"stylesheet"_s,
    u"session"_s,
    u"name"_s,
    u"title"_s,
    u"visual"_s,
};
const QStringList QtOptionsAlone = {u"reverse"_s, u"widgetcount"_s, u"nograb"_s,
                                    u"dograb"_s,  u"sync"_s,        u"testability"_s};

QString helpText(const QString &program)
{
    return uR"(Uso: %1 [OPZIONE]... [TABELLA.tbl]
Compone righe di testo con i soli caratteri di una tabella di caratteri.

Con TABELLA.tbl il programma si apre con quella tabella in vigore, letta come
se fosse stata scelta con File > Apri Tabella...

Opzioni:
  -h, --help     mostra questo aiuto ed esce
      --version  mostra la versione ed esce

Accetta anche le opzioni standard di Qt, come -platform NOME o -style NOME.
Il formato delle tabelle e i tasti sono descritti in verzino(1).
)"_s.arg(program);
}

QString versionText()
{
    return uR"(%1 %2
%3
Licenza GPLv3+: GNU GPL versione 3 o successiva <https://gnu.org/licenses/gpl.html>.
Questo è software libero: si è liberi di modificarlo e ridistribuirlo.
Non c'è ALCUNA GARANZIA, nei limiti permessi dalla legge.
)"_s.arg(AppInfo::name(), AppInfo::version(), AppInfo::maker());
}

StartOptions::Request failure(const QString &program, const QString &what)
{
    return {StartOptions::Action::Fail,
            u"%1: %2\nUsare \"%1 --help\" per maggiori informazioni.\n"_s.arg(program, what)};
}

} // namespace

namespace StartOptions {

Request parse(const QStringList &arguments)
{
    const QString called = arguments.isEmpty() ? QString() : QFileInfo(arguments[0]).fileName();
    const QString program = called.isEmpty() ? u"verzino"_s : called;

    Request request;
    request.qtArguments = arguments.size();
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool isOption = !optionsEnded && argument.startsWith(u'-') && argument != "-"_L1;
        if (!isOption) {
            if (request.tableArgument > 0)
                return failure(program,
                               u"si può aprire una sola tabella, ma sono stati indicati "
                               "\"%1\" e \"%2\""_s.arg(arguments[request.tableArgument], argument));
            if (argument.isEmpty())
                return failure(program, u"il nome della tabella è vuoto"_s);
            request.tableArgument = i;
            continue;
        }
        if (argument == "--"_L1) {
            // Qt reads options wherever they are: it must not see what follows.
            optionsEnded = true;
            request.qtArguments = i;
            continue;
        }
        if (argument == "-h"_L1 || argument == "--help"_L1)
            return {Action::ShowHelp, helpText(program)};
        if (argument == "--version"_L1)
            return {Action::ShowVersion, versionText()};

        // Qt reads its options with one dash or two.
        const QString body = argument.mid(argument.startsWith("--"_L1) ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const QString name = equals < 0 ? body : body.left(equals);
        if (QtOptionsAlone.contains(name) && equals < 0)
            continue;
        if (QtOptionsWithValue.contains(name)) {
            if (equals < 0 && ++i >= arguments.size())
                return failure(program, u"l'opzione \"%1\" vuole un valore"_s.arg(argument));
            // Qt takes these two only with the value apart, not after "=".
            if (equals < 0 && (name == "platform"_L1 || name == "display"_L1))
                request.namesDisplay = true;
            continue;
        }
        return failure(program, u"opzione non riconosciuta: \"%1\""_s.arg(argument));
    }
    return request;
}

} // namespace StartOptions
