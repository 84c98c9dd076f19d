// verzino-controlla: checks whole texts with the line box's table and limit rules.

#include "CharacterTable.h"
#include "CheckOptions.h"
#include "FileCheck.h"
#include "TableReader.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr char kProgram[] = "verzino-controlla";

void printError(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, message.toLocal8Bit().constData());
}

void printHelp()
{
    std::fputs(
        "Uso: verzino-controlla [--limite N] --tabella FILE [--tabella FILE ...] [TESTO ...]\n"
        "\n"
        "Controlla ogni riga dei testi con le regole della casella di Verzino: ogni carattere\n"
        "deve essere definito dalle tabelle e, con --limite, nessuna riga deve superare N\n"
        "caratteri. Segnala ogni problema su una riga dello standard output, nella forma\n"
        "TESTO:RIGA:COLONNA: descrizione. Senza TESTO, o con \"-\", legge lo standard input.\n"
        "\n"
        "Opzioni:\n"
        "  --tabella FILE  tabella di caratteri (.tbl); se ripetuta, ogni tabella si unisce\n"
        "                  alle precedenti\n"
        "  --limite N      numero massimo di caratteri per riga (0: nessun limite)\n"
        "  --help          mostra questo aiuto ed esce\n"
        "  --version       mostra la versione ed esce\n"
        "\n"
        "Un testo è letto come UTF-8, o come Windows-1252 se non è UTF-8 valido.\n"
        "Stato di uscita: 0 nessun problema, 1 problemi trovati, 2 errore d'uso o file non\n"
        "leggibile.\n",
        stdout);
}

QString summary(qint64 lines, qint64 problems)
{
    const QString checked =
        lines == 1 ? u"1 riga controllata"_s : u"%1 righe controllate"_s.arg(lines);
    const QString found = problems == 0   ? u"nessun problema trovato"_s
                          : problems == 1 ? u"1 problema trovato"_s
                                          : u"%1 problemi trovati"_s.arg(problems);
    return checked + u", "_s + found;
}

} // namespace

int main(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const CheckOptions options = CheckOptions::parse(arguments);
    switch (options.action) {
    case CheckOptions::Action::Help:
        printHelp();
        return 0;
    case CheckOptions::Action::Version:
        std::printf("%s %s\n", kProgram, VERZINO_DISPLAY_VERSION);
        return 0;
    case CheckOptions::Action::UsageError:
        printError(options.error);
        std::fprintf(stderr, "Per l'uso: %s --help\n", kProgram);
        return 2;
    case CheckOptions::Action::Check:
        break;
    }

    CharacterTable table;
    for (const QByteArray &path : options.tables) {
        const TableReadResult result = readTableFile(path, table);
        if (!result.ok()) {
            printError(result.error);
            return 2;
        }
    }

    static char outputBuffer[64 * 1024];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    qint64 lines = 0;
    qint64 problems = 0;
    bool unreadable = false;
    for (const QByteArray &name : options.texts) {
        const FileCheckResult outcome = checkFile(name, table, options.limit, stdout);
        lines += outcome.lines;
        problems += outcome.problems;
        if (!outcome.error.isEmpty()) {
            std::fflush(stdout);
            printError(outcome.error);
            unreadable = true;
        }
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(u"impossibile scrivere i risultati sullo standard output"_s);
        return 2;
    }
    printError(summary(lines, problems));
    if (unreadable)
        return 2;
    return problems > 0 ? 1 : 0;
}
