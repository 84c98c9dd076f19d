#include "TableReader.h"

#include "CharacterTable.h"
#include "FileSource.h"
#include "TableParser.h"

#include <QFile>

#include <memory>

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

} // namespace

TableReadResult TableReadResult::failed(const QString &path, const QString &reason)
{
    return {Outcome::Failed,
            QStringLiteral("Impossibile leggere la tabella \"%1\": %2.").arg(path, reason)};
}

TableReadResult readTableFile(const QByteArray &path, CharacterTable &table,
                              const TableReadProgress &progress)
{
    FileSource source;
    if (!source.open(path))
        return TableReadResult::failed(QFile::decodeName(path), source.error());

    const qint64 total = source.size();
    qint64 done = 0;
    TableParser parser;
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (;;) {
        const qint64 n = source.read(block.get(), qint64(kBlockSize));
        if (n < 0)
            return TableReadResult::failed(QFile::decodeName(path), source.error());
        if (n == 0)
            break;
        parser.feed(std::string_view(block.get(), std::size_t(n)));
        done += n;
        if (progress && !progress(done, total))
            return {TableReadResult::Outcome::Cancelled, {}};
    }
    parser.finish();
    table.merge(parser);
    return {TableReadResult::Outcome::Read,
            {},
            qint64(parser.unusableLines()),
            qint64(parser.firstUnusableLine())};
}
