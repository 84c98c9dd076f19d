#include "FileCheck.h"

#include "TextEncoding.h"
#include "TextFile.h"
#include "TextScanner.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

namespace {

void appendNumber(std::string &out, qint64 value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
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

// Appends one line in the form compilers use: TEXT:LINE:COLUMN: message
void appendProblem(std::string &line, const QByteArray &name, qint64 limit,
                   const TextProblem &problem)
{
    line.append(name.constData(), std::size_t(name.size()));
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
}

} // namespace

// The text is read once as UTF-8, which also tells whether it is UTF-8, with its report held
// back; only a text that is not UTF-8, or whose report outgrows what is held, is read a second
// time, then with the report going straight out.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table, qint64 limit,
                          std::FILE *out)
{
    const auto print = [out](const std::string &text) {
        std::fwrite(text.data(), 1, text.size(), out);
    };
    constexpr std::size_t kHeldReport = 1024 * 1024;
    TextFile text(name);
    std::string held;
    bool heldAll = true;
    TextScanner first(table, limit, TextEncoding::Utf8, [&](const TextProblem &problem) {
        if (!heldAll)
            return;
        appendProblem(held, name, limit, problem);
        if (held.size() > kHeldReport) {
            heldAll = false;
            std::string().swap(held);
        }
    });
    const bool read = text.read([&first](std::string_view block) {
        first.feed(block);
        return !first.sawInvalidUtf8();
    });
    if (!read)
        return {0, 0, text.error()};
    first.finish();
    if (!first.sawInvalidUtf8() && heldAll) {
        print(held);
        return {first.lines(), first.problems(), {}};
    }

    const bool utf8 = !first.sawInvalidUtf8();
    std::string line;
    TextScanner second(table, limit, utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252,
                       [&](const TextProblem &problem) {
                           line.clear();
                           appendProblem(line, name, limit, problem);
                           print(line);
                       });
    const bool readAgain = text.readAgain([&second](std::string_view block) {
        second.feed(block);
        return true;
    });
    second.finish();
    if (readAgain && utf8 && second.sawInvalidUtf8())
        text.setChanged();
    const bool failed = !readAgain || (utf8 && second.sawInvalidUtf8());
    return {second.lines(), second.problems(), failed ? text.error() : QString()};
}
