// Table reading against the machine's floor: the same file read with plain read() calls in the
// same block size, nothing done with the bytes. The reader is reported as a fraction of it.

#include "CharacterTable.h"
#include "ReferenceTableReader.h"
#include "TableParser.h"
#include "TableReader.h"
#include "TextDecoder.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t kFileSize = 64u * 1024 * 1024;
// The block size the reader uses; the floor reads in the same blocks.
constexpr std::size_t kBlockSize = 256 * 1024;

constexpr std::size_t kSmallSize = 1024 * 1024;

QString g_path;
QString g_utf8Path;
QString g_smallPath; // the first 1 MiB of each
QString g_smallUtf8Path;
std::string g_bytes;     // the file's contents, for the in-memory benchmarks
std::string g_utf8Bytes; // the same for the UTF-8 file

// Thirds by line count: "HH=text" definitions, headings and comments, and four-digit codes
// ("4142=AB") whose third byte is a digit, so they define nothing. CR LF line ends throughout.
// Accented letters as Windows-1252 bytes, or as UTF-8 (then the whole file is valid UTF-8 and the
// reader checks every byte of it).
std::string generateTable(std::size_t size, bool utf8)
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
            if (below(4) != 0)
                out += char(0x21 + below(94));
            else if (const int letter = 0xC0 + below(64); utf8)
                out += {char(0xC0 | (letter >> 6)), char(0x80 | (letter & 0x3F))};
            else
                out += char(letter);
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

void readTable(benchmark::State &state, const QString &path, std::size_t size = kFileSize)
{
    for (auto _ : state) {
        CharacterTable table;
        const TableReadResult result = readTableFile(QFile::encodeName(path), table);
        if (!result.ok()) {
            state.SkipWithError(result.error.toLocal8Bit().constData());
            return;
        }
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}

// The program's reader on the Windows-1252 file: its first accented byte shows the file is not
// UTF-8, and from there on the UTF-8 check costs nothing.
void BM_ReadTableFile(benchmark::State &state)
{
    readTable(state, g_path);
}

// The same table saved as UTF-8: the UTF-8 check runs over every byte.
void BM_ReadTableFileUtf8(benchmark::State &state)
{
    readTable(state, g_utf8Path);
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

// The floor: open and read() every block, nothing looked at; what the system calls and the copy
// from the page cache cost.
void BM_ReadFloor(benchmark::State &state)
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

// A baseline, not a floor: read() plus a memchr() per line feed, the cheapest line-by-line walk.
void BM_ReadMemchrBaseline(benchmark::State &state)
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

// The figures only count if the parser reads what the plain line-by-line reading reads, however
// the bytes are cut into feeds.
bool parsesAsLineByLine(std::string_view bytes, std::initializer_list<std::size_t> feedSizes)
{
    const ReferenceTableReader expected(bytes);
    const QStringList kept = expected.keptDefinitions();
    for (const std::size_t feedSize : feedSizes) {
        TableParser parser;
        for (std::size_t at = 0; at < bytes.size(); at += feedSize)
            parser.feed(bytes.substr(at, feedSize));
        parser.finish();
        if (ReferenceTableReader::keptDefinitions(parser) != kept ||
            parser.encoding() != expected.encoding()) {
            std::fprintf(stderr, "the parser reads wrongly with feeds of %zu bytes\n", feedSize);
            return false;
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
                                      "20= \r\n09=\t\r\n\t4=t\r\n",
                                      "\xEF\xBB\xBF"
                                      "41=A\r\ne8=\xC3\xA8",
                                      "e8=\xC3\xA8\r\n41=123456789\r\n"};
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

// The UTF-8 check alone over the UTF-8 file in memory, in the reader's block size, done as the
// parser does it: what reading a UTF-8 table adds.
void BM_DecodeUtf8InMemory(benchmark::State &state)
{
    for (auto _ : state) {
        TextDecoder decoder(TextEncoding::Utf8);
        bool beyondAscii = false;
        const auto note = [&beyondAscii](char32_t ch) { beyondAscii |= ch >= 0x80; };
        for (std::size_t at = 0; at < g_utf8Bytes.size(); at += kBlockSize)
            decoder.decode(std::string_view(g_utf8Bytes).substr(at, kBlockSize), note);
        decoder.finish(note);
        if (decoder.sawInvalid() || !beyondAscii) {
            state.SkipWithError("the UTF-8 file does not decode");
            return;
        }
        benchmark::DoNotOptimize(beyondAscii);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_utf8Bytes.size()));
}

// A table of 1 MiB, larger than any a user writes by hand, read whole as the window reads it:
// the aim is one frame (16 ms).
void BM_ReadTableFile1MiB(benchmark::State &state)
{
    readTable(state, g_smallPath, kSmallSize);
}

void BM_ReadTableFileUtf8_1MiB(benchmark::State &state)
{
    readTable(state, g_smallUtf8Path, kSmallSize);
}

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadMemchrBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTableFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTableFileUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeUtf8InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTableFile1MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTableFileUtf8_1MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console report, then each benchmark's speed as a fraction of the floor's: floor time over
// its time, from the medians when repeated.
class FractionOfFloorReporter final : public benchmark::ConsoleReporter {
public:
    FractionOfFloorReporter() : ConsoleReporter(OO_None) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!run.error_occurred && (median || single))
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto floor = m_times.find("BM_ReadFloor");
        if (floor == m_times.end())
            return;
        std::printf("\nSpeed as a fraction of the floor (BM_ReadFloor, plain read()):\n");
        for (const auto &[name, time] : m_times) {
            if (name != floor->first && time > 0 && !name.ends_with("1MiB"))
                std::printf("  %-24s %.3f\n", name.c_str(), floor->second / time);
        }
    }

private:
    std::map<std::string, double> m_times;
};

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
    g_utf8Path = dir.filePath(u"bench-utf8.tbl"_s);
    g_bytes = generateTable(kFileSize, false);
    g_utf8Bytes = generateTable(kFileSize, true);
    g_utf8Bytes.resize(g_utf8Bytes.find_last_of('\n') + 1); // no UTF-8 sequence cut at the end
    const std::string &utf8 = g_utf8Bytes;
    g_smallPath = dir.filePath(u"bench-1mib.tbl"_s);
    g_smallUtf8Path = dir.filePath(u"bench-utf8-1mib.tbl"_s);
    if (!writeFile(g_path, g_bytes) || !writeFile(g_utf8Path, utf8) ||
        !writeFile(g_smallPath, g_bytes.substr(0, kSmallSize)) ||
        !writeFile(g_smallUtf8Path, utf8.substr(0, utf8.find_last_of('\n', kSmallSize) + 1))) {
        std::fprintf(stderr, "cannot write the table files\n");
        return 1;
    }
    if (!parserReadsRight() || !parsesAsLineByLine(utf8, {kBlockSize}))
        return 1;
    if (ReferenceTableReader(g_bytes).encoding() != TextEncoding::Windows1252 ||
        ReferenceTableReader(utf8).encoding() != TextEncoding::Utf8) {
        std::fprintf(stderr, "the generated files are not in the encodings meant\n");
        return 1;
    }
    benchmark::AddCustomContext("table_file", qPrintable(g_path));
    benchmark::AddCustomContext("table_file_bytes", std::to_string(kFileSize));
    benchmark::AddCustomContext(
        "table_file_lines", std::to_string(std::count(g_bytes.begin(), g_bytes.end(), '\n') + 1));

    FractionOfFloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
