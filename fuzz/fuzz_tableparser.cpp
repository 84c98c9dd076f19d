// Feeds arbitrary bytes to the table parser, whole and cut into pieces at places the input
// chooses, and requires both to agree with the plain line-by-line reading of the same bytes: the
// same kept texts, the same encoding, and the same table once merged.
#include "CharacterTable.h"
#include "ReferenceTableReader.h"
#include "TableParser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

void requireSame(const TableParser &parser, const ReferenceTableReader &expected,
                 const QStringList &kept)
{
    require(ReferenceTableReader::keptDefinitions(parser) == kept,
            "the parser keeps other texts than the line-by-line reading");
    require(parser.encoding() == expected.encoding(),
            "the parser picks another encoding than the line-by-line reading");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = 1 + data[0] % 97;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const ReferenceTableReader expected(bytes);
    const QStringList kept = expected.keptDefinitions();

    TableParser whole;
    whole.feed(bytes);
    whole.finish();
    requireSame(whole, expected, kept);

    TableParser pieces;
    for (std::size_t at = 0; at < bytes.size(); at += step)
        pieces.feed(bytes.substr(at, step));
    pieces.finish();
    requireSame(pieces, expected, kept);

    // Merged over a table that already holds texts of every length, as a second reading is.
    TableParser earlier;
    for (int code = 0; code < CharacterTable::Size; code += 3) {
        earlier.feed(QByteArray::number(code, 16).rightJustified(2, '0').toStdString() + '=' +
                     std::string(std::size_t(code % 4), 'k') + '\n');
    }
    earlier.finish();
    CharacterTable before;
    before.merge(earlier);
    CharacterTable after = before;
    after.merge(whole);
    require(expected.differenceFrom(before, after).isEmpty(),
            "the merged table differs from the line-by-line reading");
    return 0;
}
