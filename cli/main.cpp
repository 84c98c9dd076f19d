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
        "Controlla ogni riga dei testi con le regole della casella di Verzino: ogni carattere\n"
        "deve essere definito dalle tabelle e, con --limite, nessuna riga deve superare N\n"
        "caratteri. Segnala ogni problema su una riga dello standard output, nella forma\n"
        "TESTO:RIGA:COLONNA: descrizione. Senza TESTO, o con \"-\", legge lo standard input.\n"
        "\n"
        "Opzioni:\n"
        "  --tabella FILE         tabella di caratteri (.tbl); se ripetuta, ogni tabella si\n"
        "                         unisce alle precedenti\n"
        "  --limite N             numero massimo di caratteri per riga (0: nessun limite)\n"
        "  --salta-righe PREFISSO le righe che cominciano con PREFISSO non sono controllate\n"
        "  --originale PREFISSO   le righe che cominciano con PREFISSO hanno il testo originale:\n"
        "                         non sono controllate, ma il messaggio che le segue deve\n"
        "                         averne gli stessi codici, in qualsiasi ordine (gli a capo\n"
        "                         esclusi); il messaggio finisce alla riga originale, vuota o\n"
        "                         saltata che viene dopo\n"
        "  --codice REGEX         i tratti di riga che corrispondono sono codici di controllo:\n"
        "                         non controllati e fuori dal conto del limite\n"
        "  --a-capo REGEX         come --codice, e il codice va a capo sullo schermo: il limite\n"
        "                         vale per ogni pezzo di riga fra un a capo e l'altro\n"
        "  --fine-box REGEX       come --codice, e il codice chiude il box di testo (e la riga\n"
        "                         di schermo)\n"
        "  --righe-per-box N      righe di schermo al massimo in un box (da 1 a 99); un box\n"
        "                         finisce a un --fine-box, alla fine del messaggio o a una riga\n"
        "                         vuota o saltata; una riga del file finisce la riga di schermo\n"
        "  --formato FORMATO      testo (predefinito), github (comandi di GitHub Actions) o\n"
        "                         json (un oggetto JSON per riga)\n"
        "  --nessun-file-opzioni  non legge il file .verzino-controlla\n"
        "  --help                 mostra questo aiuto ed esce\n"
        "  --version              mostra la versione ed esce\n"
        "\n"
        "--salta-righe, --originale, --codice, --a-capo e --fine-box si possono ripetere; le\n"
        "REGEX sono espressioni regolari nella sintassi di Perl (PCRE2). Le colonne restano\n"
        "quelle del file.\n"
        "Le opzioni si possono scrivere anche nel file .verzino-controlla, nella cartella\n"
        "corrente o in una sopra: un'opzione per riga, poi uno spazio e il valore così com'è\n"
        "fino alla fine della riga; le righe che cominciano con # sono commenti. I nomi delle\n"
        "tabelle vi sono relativi alla cartella del file. Le opzioni della riga di comando\n"
        "vengono dopo quelle del file.\n"
        "Un testo è letto come UTF-8, o come Windows-1252 se non è UTF-8 valido; con un BOM,\n"
        "come UTF-8 o UTF-16 secondo il BOM.\n"
        "Stato di uscita: 0 nessun problema, 1 problemi trovati, 2 errore d'uso, file non\n"
        "leggibile o espressione regolare che non si può applicare a una riga.\n",
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
