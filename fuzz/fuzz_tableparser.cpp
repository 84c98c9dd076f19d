// Feeds arbitrary bytes to the table parser, whole and cut into pieces at places the input
// chooses, and requires the same table either way: a line that spans reads must parse exactly
// like one that does not.
#include "CharacterTable.h"
#include "TableParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = 1 + data[0] % 7;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);

    TableParser whole;
    whole.feed(bytes);
    whole.finish();

    TableParser pieces;
    for (std::size_t at = 0; at < bytes.size(); at += step)
        pieces.feed(bytes.substr(at, step));
    pieces.finish();

    for (int code = 0; code < CharacterTable::Size; ++code) {
        if (whole.defines(code) != pieces.defines(code) ||
            whole.rawText(code) != pieces.rawText(code))
            std::abort();
    }

    CharacterTable table;
    table.merge(whole);
    for (int code = 0; code < CharacterTable::Size; ++code) {
        if (table.entry(code).isEmpty())
            std::abort();
    }
    return 0;
}
