// verzino-controlla: checks whole texts with the line box's table and limit rules.

#include "CharacterTable.h"
#include "CheckOptions.h"
#include "FileCheck.h"
#include "TableReader.h"

#include <QDir>
#include <QFile>

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
        "Uso: verzino-controlla [OPZIONI] --tabella FILE [--tabella FILE ...] [TESTO ...]\n"
        "\n"
        "Controlla ogni riga dei testi con le regole della casella di Verzino e scrive ogni\n"
        "problema su una riga dello standard output: TESTO:RIGA:COLONNA: descrizione.\n"
        "Senza TESTO, o con \"-\", legge lo standard input.\n"
        "\n"
        "  --tabella FILE         tabella di caratteri (.tbl); ripetuta, si unisce alle altre\n"
        "  --limite N             caratteri al massimo per riga di schermo (0: nessun limite)\n"
        "  --salta-righe PREFISSO righe da non controllare\n"
        "  --originale PREFISSO   righe col testo originale: il messaggio che segue ne deve\n"
        "                         avere gli stessi codici, in qualsiasi ordine\n"
        "  --codice REGEX         codici di controllo: non controllati, non occupano spazio\n"
        "  --a-capo REGEX         codici che vanno a capo sullo schermo\n"
        "  --fine-box REGEX       codici che chiudono il box di testo\n"
        "  --righe-per-box N      righe di schermo al massimo in un box (da 1 a 99)\n"
        "  --formato FORMATO      testo (predefinito), github o json\n"
        "  --nessun-file-opzioni  non legge il file .verzino-controlla\n"
        "  --help, --version      questo aiuto, la versione\n"
        "\n"
        "Le opzioni di PREFISSO e REGEX si possono ripetere; le REGEX sono nella sintassi di\n"
        "Perl (PCRE2). Un messaggio finisce a una riga originale, vuota o saltata; un box a\n"
        "un --fine-box o alla fine del messaggio; una riga di schermo a un --a-capo, a un\n"
        "--fine-box o alla fine della riga del file.\n"
        "Il file .verzino-controlla, nella cartella corrente o in una sopra, ha un'opzione\n"
        "per riga, poi uno spazio e il valore così com'è; # comincia un commento. Le tabelle\n"
        "vi sono relative alla sua cartella; la riga di comando viene dopo il file.\n"
        "Stato di uscita: 0 nessun problema, 1 problemi trovati, 2 errore d'uso, file non\n"
        "leggibile o espressione regolare che non si può applicare a una riga.\n"
        "Il resto in: man verzino-controlla\n",
        stdout);
}

// After a text that could not be checked whole, "no problem found" would say too much.
QString summary(qint64 lines, qint64 problems, bool whole)
{
    const QString checked =
        lines == 1 ? u"1 riga controllata"_s : u"%1 righe controllate"_s.arg(lines);
    const QString found = problems == 1            ? u"1 problema trovato"_s
                          : problems > 0 || !whole ? u"%1 problemi trovati"_s.arg(problems)
                                                   : u"nessun problema trovato"_s;
    return (whole ? QString() : u"controllo incompleto: "_s) + checked + u", "_s + found;
}

// Multi-byte tables and their end markers lose lines the reader cannot use: say so, once.
QString unusableNote(const QByteArray &table, qint64 count, qint64 first)
{
    const QString lines = count == 1 ? u"1 riga ignorata che sembra una definizione (riga %1)"_s
                                     : u"%1 righe ignorate che sembrano definizioni (la prima è "
                                       "la riga %2)"_s.arg(count);
    return u"nota: la tabella \"%1\" ha %2: valgono solo i codici di due cifre esadecimali "
           "seguiti da \"=\""_s.arg(QFile::decodeName(table), lines.arg(first));
}

} // namespace

int main(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const CheckOptions options = CheckOptions::parse(arguments, QDir::currentPath());
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
        if (result.unusableLines > 0)
            printError(unusableNote(path, result.unusableLines, result.firstUnusableLine));
    }

    static char outputBuffer[64 * 1024];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    qint64 lines = 0;
    qint64 problems = 0;
    bool unreadable = false;
    for (const QByteArray &name : options.texts) {
        const FileCheckResult outcome = checkFile(name, table, options, stdout);
        lines += outcome.lines;
        problems += outcome.problems;
        if (!outcome.error.isEmpty()) {
            std::fflush(stdout);
            printError(outcome.error);
            unreadable = true;
        }
        if (outcome.fatal)
            break;
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(u"impossibile scrivere i risultati sullo standard output"_s);
        return 2;
    }
    printError(summary(lines, problems, !unreadable));
    if (unreadable)
        return 2;
    return problems > 0 ? 1 : 0;
}
