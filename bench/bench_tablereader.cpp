// Table reading against the machine's floor: the same file read in the same block size with
// nothing done but counting its lines.

#include "CharacterTable.h"
#include "TableParser.h"
#include "TableReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t kFileSize = 64u * 1024 * 1024;
// The block size the reader uses; the floor reads in the same blocks.
constexpr std::size_t kBlockSize = 256 * 1024;

QString g_path;
std::string g_bytes; // the file's contents, for the in-memory parser benchmark

// Thirds by line count: "HH=text" definitions, headings and comments, and four-digit codes
// ("4142=AB") whose third byte is a digit, so they define nothing. CR LF line ends throughout.
std::string generateTable(std::size_t size)
{
    std::mt19937 random(20240601);
    const auto below = [&random](int n) {
        return int(std::uniform_int_distribution<int>(0, n - 1)(random));
    };
    static constexpr char kUpperHex[] = "0123456789ABCDEF";
    static constexpr char kLowerHex[] = "0123456789abcdef";
    static constexpr const char *kHeadings[] = {"; Tabella caratteri del terminale",
                                                "[Sezione lettere accentate]",
                                                "' codici di controllo",
                                                "# cifre e segni di punteggiatura",
                                                "",
                                                "Pagina 2",
                                                "; le righe seguenti ridefiniscono i codici alti"};
    const auto hexPair = [&](std::string &out) {
        const char *digits = below(2) ? kUpperHex : kLowerHex;
        out += digits[below(16)];
        out += digits[below(16)];
    };
    // Short texts: usually one character (ASCII or a Windows-1252 high byte), sometimes more.
    const auto text = [&](std::string &out) {
        const int length = below(8) == 0 ? 2 + below(4) : 1;
        for (int i = 0; i < length; ++i)
            out += below(4) == 0 ? char(0xC0 + below(64)) : char(0x21 + below(94));
    };

    std::string out;
    out.reserve(size + 128);
    std::string line;
    while (out.size() < size) {
        line.clear();
        switch (below(3)) {
        case 0:
            hexPair(line);
            line += '=';
            text(line);
            break;
        case 1:
            line += kHeadings[below(int(std::size(kHeadings)))];
            if (!line.empty())
                line += std::to_string(below(1000));
            break;
        default:
            hexPair(line);
            hexPair(line);
            line += '=';
            text(line);
            text(line);
            break;
        }
        line += "\r\n";
        out += line;
    }
    out.resize(size); // the last line may be cut short: a last line without a terminator
    return out;
}

bool writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

void BM_ReadTableFile(benchmark::State &state)
{
    for (auto _ : state) {
        CharacterTable table;
        const TableReadResult result = readTableFile(g_path, table);
        if (!result.ok()) {
            state.SkipWithError(result.error.toLocal8Bit().constData());
            return;
        }
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFileSize));
}

// Opens the table file and hands every block read to onBlock; false when it cannot be opened.
template <typename OnBlock>
bool readBlocks(benchmark::State &state, const QByteArray &path, char *block, OnBlock onBlock)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        state.SkipWithError(std::strerror(errno));
        return false;
    }
    for (ssize_t n; (n = ::read(fd, block, kBlockSize)) > 0;)
        onBlock(block, std::size_t(n));
    ::close(fd);
    return true;
}

// The floor: open, read every block, count the line feeds.
void BM_ReadFloor(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(g_path);
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (auto _ : state) {
        std::size_t lines = 0;
        const bool read =
            readBlocks(state, path, block.get(), [&lines](const char *p, std::size_t n) {
                const char *const end = p + n;
                while (
                    (p = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p))))) {
                    ++lines;
                    ++p;
                }
            });
        if (!read)
            return;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFileSize));
}

// read() alone, nothing looked at: what the system calls and the copy from the page cache cost.
void BM_ReadOnly(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(g_path);
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (auto _ : state) {
        if (!readBlocks(state, path, block.get(),
                        [](const char *, std::size_t) { benchmark::ClobberMemory(); }))
            return;
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFileSize));
}

// The parser alone over the bytes already in memory, in the reader's block size: what the reader
// adds to the floor, without the system calls.
void BM_ParseInMemory(benchmark::State &state)
{
    for (auto _ : state) {
        TableParser parser;
        for (std::size_t at = 0; at < g_bytes.size(); at += kBlockSize)
            parser.feed(std::string_view(g_bytes).substr(at, kBlockSize));
        parser.finish();
        benchmark::DoNotOptimize(parser);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFileSize));
}

// The figures only count if the parser reads what a plain reading line by line reads, however
// the bytes are cut into feeds.
using PlainTable = std::array<std::optional<std::string>, 256>;

PlainTable readLineByLine(std::string_view bytes)
{
    PlainTable table;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        const std::string_view line = bytes.substr(at, end - at);
        if (line.size() >= 3 && line[2] == '=')
            table[std::size_t(TableParser::codeOf(line[0], line[1]))] = line.substr(3);
        at = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return table;
}

bool parsesAsLineByLine(std::string_view bytes, std::initializer_list<std::size_t> feedSizes)
{
    const PlainTable expected = readLineByLine(bytes);
    for (const std::size_t feedSize : feedSizes) {
        TableParser parser;
        for (std::size_t at = 0; at < bytes.size(); at += feedSize)
            parser.feed(bytes.substr(at, feedSize));
        parser.finish();
        for (int code = 0; code < 256; ++code) {
            const auto &entry = expected[std::size_t(code)];
            if (parser.defines(code) != entry.has_value() ||
                (entry && parser.rawText(code) != *entry)) {
                std::fprintf(stderr, "the parser reads code %d wrongly, feeds of %zu bytes\n", code,
                             feedSize);
                return false;
            }
        }
    }
    return true;
}

bool parserReadsRight()
{
    const std::string_view cases[] = {"41=A\r\n41=B\r\n",
                                      "41=A\n42=B\r43=C",
                                      "\r\n\n\r41=\r7E=\r\n",
                                      " 4=x\r\n4 =y\nG1=z",
                                      "4142=AB\r\n41=AB\r\n; 41=Q\r\n",
                                      "ff=z\r\ne5=\xe0\xe8\r\n41",
                                      "4",
                                      "41",
                                      "41=",
                                      "20= \r\n09=\t\r\n\t4=t\r\n"};
    for (const std::string_view bytes : cases) {
        for (std::size_t feed = 1; feed <= bytes.size(); ++feed) {
            if (!parsesAsLineByLine(bytes, {feed}))
                return false;
        }
    }
    // Long texts that run past one and two 64-byte steps.
    std::string longLines;
    for (int length : {60, 61, 62, 63, 64, 65, 127, 128, 129, 300})
        longLines += "4A=" + std::string(std::size_t(length), 'x') + "\r\n3B=y\r\n";
    const std::string_view prefix = std::string_view(g_bytes).substr(0, 1 << 20);
    const auto feeds = {std::size_t(1),  std::size_t(2),  std::size_t(3),    std::size_t(63),
                        std::size_t(64), std::size_t(65), std::size_t(4097), kBlockSize};
    return parsesAsLineByLine(longLines, feeds) && parsesAsLineByLine(prefix, feeds) &&
           parsesAsLineByLine(g_bytes, {kBlockSize});
}

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTableFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    g_path = dir.filePath(u"bench.tbl"_s);
    g_bytes = generateTable(kFileSize);
    if (!writeFile(g_path, g_bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(g_path));
        return 1;
    }
    if (!parserReadsRight())
        return 1;
    benchmark::AddCustomContext("table_file", qPrintable(g_path));
    benchmark::AddCustomContext("table_file_bytes", std::to_string(kFileSize));
    benchmark::AddCustomContext(
        "table_file_lines", std::to_string(std::count(g_bytes.begin(), g_bytes.end(), '\n') + 1));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
