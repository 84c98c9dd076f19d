#include "FileCheck.h"

#include "CheckOptions.h"
#include "ProblemReport.h"
#include "TextFile.h"
#include "TextScanner.h"

#include <string>

// The text is read once as UTF-8, which also tells whether it is UTF-8, with its report held
// back; only a text that is not UTF-8, or whose report outgrows what is held, is read a second
// time, then with the report going straight out.
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
    TextScanner first(
        table, options.limit, TextEncoding::Utf8,
        [&](const TextProblem &problem) {
            if (!heldAll)
                return;
            report.append(held, problem);
            if (held.size() > kHeldReport) {
                heldAll = false;
                std::string().swap(held);
            }
        },
        options.markup);
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
    TextScanner second(
        table, options.limit, utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252,
        [&](const TextProblem &problem) {
            line.clear();
            report.append(line, problem);
            print(line);
        },
        options.markup);
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
