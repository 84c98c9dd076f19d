// Feeds arbitrary bytes to the table parser, whole and cut into pieces at places the input
// chooses, and requires both to agree with a plain line-by-line reading of the same bytes.
#include "CharacterTable.h"
#include "TableParser.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using Definitions = std::array<std::optional<std::string>, 256>;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The slow, obvious reading: split at CR LF, LF or CR; "=" third defines the rest.
Definitions readLineByLine(std::string_view bytes)
{
    Definitions out;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const std::string_view line = bytes.substr(start, end - start);
        if (line.size() >= 3 && line[2] == '=') {
            int code = 0;
            for (const char c : {line[0], line[1]}) {
                if (c == ' ' || c == '\t' || c == '\n')
                    continue;
                if (hexDigit(c) < 0)
                    break;
                code = code * 16 + hexDigit(c);
            }
            out[std::size_t(code)] = std::string(line.substr(3));
        }
        if (end == bytes.size())
            break;
        start =
            end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

void requireSame(const TableParser &parser, const Definitions &expected)
{
    for (int code = 0; code < CharacterTable::Size; ++code) {
        const auto &want = expected[std::size_t(code)];
        if (parser.defines(code) != want.has_value() ||
            (want && parser.rawText(code) != std::string_view(*want)))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = 1 + data[0] % 97;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const Definitions expected = readLineByLine(bytes);

    TableParser whole;
    whole.feed(bytes);
    whole.finish();
    requireSame(whole, expected);

    TableParser pieces;
    for (std::size_t at = 0; at < bytes.size(); at += step)
        pieces.feed(bytes.substr(at, step));
    pieces.finish();
    requireSame(pieces, expected);

    CharacterTable table;
    table.merge(whole);
    for (int code = 0; code < CharacterTable::Size; ++code) {
        if (table.entry(code).isEmpty())
            std::abort();
    }
    return 0;
}
