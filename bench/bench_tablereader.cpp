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

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
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

// The floor: open, read every block, count the line feeds.
void BM_ReadFloor(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(g_path);
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError(std::strerror(errno));
            return;
        }
        std::size_t lines = 0;
        for (;;) {
            const ssize_t n = ::read(fd, block.get(), kBlockSize);
            if (n <= 0)
                break;
            const char *p = block.get();
            const char *const end = p + n;
            while ((p = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p))))) {
                ++lines;
                ++p;
            }
        }
        ::close(fd);
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

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
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
    benchmark::AddCustomContext("table_file", qPrintable(g_path));
    benchmark::AddCustomContext("table_file_bytes", std::to_string(kFileSize));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
