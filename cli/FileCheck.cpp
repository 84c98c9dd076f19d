#include "FileCheck.h"

#include "CheckOptions.h"
#include "ProblemReport.h"
#include "TextCheck.h"
#include "TextFile.h"
#include "TextScanner.h"

#include <QFile>

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

TextReading TextReading::of(std::string_view start)
{
    if (const std::optional<ByteOrderMark> mark = byteOrderMark(start))
        return {mark->encoding, mark->length};
    return {TextEncoding::Utf8, 0, true, looksLikeUtf16(start)};
}

// A UTF-8 text without a mark is read once, which also tells whether it is UTF-8, with its report
// held back; only a text that is not UTF-8, or whose report outgrows what is held, is read a
// second time, then with the report going straight out.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table,
                          const CheckOptions &options, std::FILE *out)
{
    const auto print = [out](const std::string &text) {
        std::fwrite(text.data(), 1, text.size(), out);
    };
    constexpr std::size_t kHeldReport = 1024 * 1024;
    const ProblemReport report(options.format, name);
    TextFile text(name);
    std::string held;
    bool heldAll = true;
    TextReading reading;
    std::string line;
    const TextScanner::ProblemSink sink = [&](const TextProblem &problem) {
        if (!reading.guessed) {
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
    const auto stopped = [&](const TextCheck &check) {
        if (reading.guessed && heldAll)
            print(held);
        const QString where = name == "-" ? u"standard input"_s : QFile::decodeName(name);
        return FileCheckResult{check.scanner().lines(), check.scanner().problems(),
                               where + u", "_s + check.scanner().error(), true};
    };

    std::optional<TextCheck> first;
    bool ok = true;
    const bool read = text.read([&](std::string_view block) {
        if (!first) {
            reading = TextReading::of(block);
            if (reading.refused)
                return false;
            first.emplace(reading, table, options, sink);
        }
        ok = first->feed(block);
        return ok && !(reading.guessed && first->sawInvalid());
    });
    if (reading.refused) {
        text.fail(u"sembra UTF-16 senza indicatore dell'ordine dei byte (BOM); va salvato in "
                  "UTF-8, o in UTF-16 con il BOM"_s);
        return {0, 0, text.error()};
    }
    if (!ok)
        return stopped(*first);
    if (!read) {
        const bool written = first && !reading.guessed;
        return {written ? first->scanner().lines() : 0, written ? first->scanner().problems() : 0,
                text.error()};
    }
    if (!first)
        return {}; // empty
    // A reading that stopped at a byte that is not UTF-8 ends there, its last line unchecked.
    if ((!reading.guessed || !first->sawInvalid()) && !first->finish())
        return stopped(*first);
    if (!reading.guessed || (!first->sawInvalid() && heldAll)) {
        print(held);
        return {first->scanner().lines(), first->scanner().problems(), {}};
    }

    const bool utf8 = !first->sawInvalid();
    reading.guessed = false;
    TextCheck second({utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252}, table, options, sink);
    const bool readAgain = text.readAgain([&](std::string_view block) {
        ok = ok && second.feed(block);
        return true;
    });
    if (!ok || !second.finish())
        return stopped(second);
    if (readAgain && utf8 && second.sawInvalid())
        text.setChanged();
    const bool failed = !readAgain || (utf8 && second.sawInvalid());
    return {second.scanner().lines(), second.scanner().problems(),
            failed ? text.error() : QString()};
}
