#include "FileCheck.h"

#include "CheckOptions.h"
#include "ProblemReport.h"
#include "TextFile.h"
#include "TextScanner.h"

#include <algorithm>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// UTF-16 without a mark: in its first bytes one byte of each pair is always NUL and the other
// never, as ASCII and Latin text in UTF-16 is.
bool looksLikeUtf16(std::string_view start)
{
    const std::size_t size = std::min<std::size_t>(start.size(), 64) & ~std::size_t(1);
    if (size < 4)
        return false;
    for (const std::size_t nul : {0, 1}) {
        bool pairs = true;
        for (std::size_t i = 0; i < size && pairs; i += 2)
            pairs = start[i + nul] == '\0' && start[i + 1 - nul] != '\0';
        if (pairs)
            return true;
    }
    return false;
}

} // namespace

// A text with a byte order mark is read as the mark says. Any other is read once as UTF-8, which
// also tells whether it is UTF-8, with its report held back; only a text that is not UTF-8, or
// whose report outgrows what is held, is read a second time, then with the report going straight
// out.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table,
                          const CheckOptions &options, std::FILE *out)
{
    const auto print = [out](const std::string &text) {
        std::fwrite(text.data(), 1, text.size(), out);
    };
    constexpr std::size_t kHeldReport = 1024 * 1024;
    const ProblemReport report(options.format, name, options.limit);
    TextFile text(name);
    std::string held;
    bool heldAll = true;
    bool guessing = false; // UTF-8 without a mark, until the end shows it is
    bool refused = false;
    std::string line;
    const auto sink = [&](const TextProblem &problem) {
        if (!guessing) {
            line.clear();
            report.append(line, problem);
            print(line);
        } else if (heldAll) {
            report.append(held, problem);
            if (held.size() > kHeldReport) {
                heldAll = false;
                std::string().swap(held);
            }
        }
    };
    std::optional<TextScanner> first;
    const bool read = text.read([&](std::string_view block) {
        if (!first) {
            const std::optional<ByteOrderMark> mark = byteOrderMark(block);
            refused = !mark && looksLikeUtf16(block);
            if (refused)
                return false;
            guessing = !mark;
            first.emplace(table, options.limit, mark ? mark->encoding : TextEncoding::Utf8, sink,
                          options.markup);
        }
        first->feed(block);
        return !(guessing && first->sawInvalidUtf8());
    });
    if (refused) {
        text.fail(u"sembra UTF-16 senza indicatore dell'ordine dei byte (BOM); va salvato in "
                  "UTF-8, o in UTF-16 con il BOM"_s);
        return {0, 0, text.error()};
    }
    if (!read) {
        const bool written = first && !guessing;
        return {written ? first->lines() : 0, written ? first->problems() : 0, text.error()};
    }
    if (!first)
        return {}; // empty
    first->finish();
    if (!guessing || (!first->sawInvalidUtf8() && heldAll)) {
        print(held);
        return {first->lines(), first->problems(), {}};
    }

    const bool utf8 = !first->sawInvalidUtf8();
    guessing = false;
    TextScanner second(table, options.limit, utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252,
                       sink, options.markup);
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
