// verzino-controlla: checks whole texts with the line box's table and limit rules.

#include "CharacterTable.h"
#include "CommandLine.h"
#include "TableReader.h"
#include "TextChecker.h"
#include "TextFile.h"

#include <QFile>

#include <charconv>
#include <cstdio>
#include <string>

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

void appendNumber(std::string &out, qint64 value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void appendUtf8(std::string &out, char32_t ch)
{
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

void appendCodePoint(std::string &out, char32_t ch)
{
    char digits[8];
    const auto result = std::to_chars(digits, digits + sizeof digits, std::uint32_t(ch), 16);
    out += "U+";
    out.append(std::size_t(std::max<std::ptrdiff_t>(0, 4 - (result.ptr - digits))), '0');
    for (const char *d = digits; d != result.ptr; ++d)
        out += char(*d >= 'a' ? *d - 'a' + 'A' : *d);
}

// One line in the form compilers use: TEXT:LINE:COLUMN: message
void printProblem(std::string &line, const QByteArray &name, qint64 limit,
                  const TextProblem &problem)
{
    line.assign(name.constData(), std::size_t(name.size()));
    line += ':';
    appendNumber(line, problem.line);
    line += ':';
    appendNumber(line, problem.column);
    if (problem.kind == TextProblem::Kind::Character) {
        line += ": carattere non in tabella: \"";
        appendUtf8(line, problem.character);
        line += "\" (";
        appendCodePoint(line, problem.character);
        line += ")\n";
    } else {
        line += ": riga di ";
        appendNumber(line, problem.length);
        line += " caratteri, oltre il limite di ";
        appendNumber(line, limit);
        line += '\n';
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
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
    const CommandLine command = CommandLine::parse(arguments);
    switch (command.action) {
    case CommandLine::Action::Help:
        printHelp();
        return 0;
    case CommandLine::Action::Version:
        std::printf("%s %s\n", kProgram, VERZINO_DISPLAY_VERSION);
        return 0;
    case CommandLine::Action::UsageError:
        printError(command.error);
        std::fprintf(stderr, "Per l'uso: %s --help\n", kProgram);
        return 2;
    case CommandLine::Action::Check:
        break;
    }

    CharacterTable table;
    for (const QByteArray &path : command.tables) {
        const TableReadResult result = readTableFile(QFile::decodeName(path), table);
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
    std::string line;
    for (const QByteArray &name : command.texts) {
        TextFile text(name);
        if (!text.scan()) {
            std::fflush(stdout);
            printError(text.error());
            unreadable = true;
            continue;
        }
        TextChecker checker(
            table, command.limit,
            text.isUtf8() ? TextChecker::Encoding::Utf8 : TextChecker::Encoding::Windows1252,
            [&](const TextProblem &problem) { printProblem(line, name, command.limit, problem); });
        const bool read = text.read([&checker](std::string_view block) { checker.feed(block); });
        checker.finish();
        lines += checker.lines();
        problems += checker.problems();
        if (read && checker.sawInvalidUtf8())
            text.setChanged();
        if (!read || checker.sawInvalidUtf8()) {
            std::fflush(stdout);
            printError(text.error());
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
