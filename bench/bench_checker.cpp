// verzino-controlla's checking of a text against the machine's floor, a plain read() of the
// same file in the same block size, and beside it a read() that also counts the lines.

#include "CharacterTable.h"
#include "CheckOptions.h"
#include "FileCheck.h"
#include "Keystroke.h"
#include "TableReader.h"
#include "TextFile.h"
#include "TextScanner.h"
#include "Windows1252.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
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

constexpr std::size_t kFileSize = 100u * 1024 * 1024;
constexpr std::size_t kBlockSize = TextFile::BlockSize;
constexpr qint64 kLimit = 60;

QString g_path;
std::string g_bytes;
CharacterTable g_table;

// Lines of a translated script: Italian words with accented letters (UTF-8), punctuation, and
// what a mostly clean script holds: now and then a character the table lacks (curly apostrophe,
// "ß", an emoji) or a line longer than the limit. LF line ends, a few CR LF.
std::string generateText(std::size_t size)
{
    std::mt19937 random(20261207);
    const auto below = [&random](int n) {
        return int(std::uniform_int_distribution<int>(0, n - 1)(random));
    };
    static constexpr const char *kWords[] = {
        "il",      "cavaliere", "entra",      "nella", "città",   "perché",   "è",
        "già",     "notte",     "la",         "porta", "del",     "castello", "si",
        "apre",    "più",       "lentamente", "di",    "quanto",  "sembrava", "Però",
        "nessuno", "risponde",  "all'",       "Così",  "Signore", "vuoi",     "comprare",
        "questa",  "spada",     "100",        "monete"};
    static constexpr const char *kPunctuation[] = {",", ".", "!", "?", ":", ";", "..."};
    static constexpr const char *kStrangers[] = {"\xE2\x80\x99", "\xC3\x9F", "\xF0\x9F\x98\x80"};

    std::string out;
    out.reserve(size + 256);
    while (out.size() < size) {
        const int words = 3 + below(below(500) == 0 ? 12 : 4);
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                out += ' ';
            out += kWords[below(int(std::size(kWords)))];
            if (below(6) == 0)
                out += kPunctuation[below(int(std::size(kPunctuation)))];
        }
        if (below(1000) == 0)
            out += kStrangers[below(int(std::size(kStrangers)))];
        out += below(20) == 0 ? "\r\n" : "\n";
    }
    out.resize(size);
    // Do not end inside a UTF-8 sequence.
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0x80))
        out.pop_back();
    return out;
}

bool writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

struct Counts {
    qint64 lines = 0;
    qint64 problems = 0;
};

// What verzino-controlla does for one named text, its report thrown away.
Counts checkWithReport(const QByteArray &path)
{
    CheckOptions options;
    options.limit = kLimit;
    std::FILE *const nowhere = std::fopen("/dev/null", "w");
    const FileCheckResult outcome = checkFile(path, g_table, options, nowhere);
    std::fclose(nowhere);
    if (!outcome.error.isEmpty())
        return {-1, -1};
    return {outcome.lines, outcome.problems};
}

void BM_CheckText(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(g_path);
    for (auto _ : state) {
        const Counts counts = checkWithReport(path);
        if (counts.lines < 0) {
            state.SkipWithError("cannot read the text");
            return;
        }
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_bytes.size()));
}

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

// read() counting the line feeds with memchr(): the least a line-by-line tool does.
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
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_bytes.size()));
}

// The floor: read() alone, nothing looked at.
void BM_ReadFloor(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(g_path);
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    for (auto _ : state) {
        if (!readBlocks(state, path, block.get(),
                        [](const char *, std::size_t) { benchmark::ClobberMemory(); }))
            return;
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_bytes.size()));
}

// The check alone over bytes already in memory, without the system calls.
void BM_CheckInMemory(benchmark::State &state)
{
    for (auto _ : state) {
        TextScanner scanner(g_table, kLimit, TextEncoding::Utf8,
                            [](const TextProblem &problem) { benchmark::DoNotOptimize(problem); });
        for (std::size_t at = 0; at < g_bytes.size(); at += kBlockSize)
            scanner.feed(std::string_view(g_bytes).substr(at, kBlockSize));
        scanner.finish();
        benchmark::DoNotOptimize(scanner.problems());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_bytes.size()));
}

// The figures only count if the checker finds what a plain reading finds: each line decoded
// whole, each character given to the line box's admission.
Counts countPlainly(std::string_view bytes)
{
    Counts counts;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        const QString line = QString::fromUtf8(bytes.substr(at, end - at));
        ++counts.lines;
        qint64 length = 0;
        for (qsizetype i = 0; i < line.size(); ++i, ++length) {
            qint16 code = KeyCode::OutsideCodePage;
            if (line.at(i).isHighSurrogate()) {
                ++i;
            } else if (line.at(i).category() == QChar::Other_Control) {
                continue;
            } else if (const auto byte = Windows1252::fromUnicode(line.at(i))) {
                code = qint16(*byte);
            }
            if (admitKeystroke(code, true, g_table) == KeystrokeAction::Drop)
                ++counts.problems;
        }
        if (length > kLimit)
            ++counts.problems;
        at = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return counts;
}

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadMemchrBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The character class of what the table refuses, for grep -P: every character but the controls
// and those whose code the line box admits.
std::string refusedClass()
{
    std::string admitted = "\\p{Cc}";
    for (int code = 0; code < 256; ++code) {
        if (admitKeystroke(qint16(code), true, g_table) != KeystrokeAction::Drop)
            admitted += u"\\x{%1}"_s.arg(Windows1252::toUnicode(uchar(code)).unicode(), 0, 16)
                            .toStdString();
    }
    return "[^" + admitted + "]";
}

} // namespace

int main(int argc, char **argv)
{
    // bench_checker --write-text TEXT CLASS: writes the text and, for grep -P, the class of the
    // characters the table refuses, then stops. The same text and table for a side-by-side run
    // of verzino-controlla and grep.
    const bool writeOnly = argc == 4 && std::strcmp(argv[1], "--write-text") == 0;
    if (!writeOnly) {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
    }

    const TableReadResult table = readTableFile(
        QFile::encodeName(QStringLiteral(VERZINO_EXAMPLES_DIR "/italiano.tbl")), g_table);
    if (!table.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(table.error));
        return 1;
    }
    if (writeOnly) {
        g_bytes = generateText(kFileSize);
        return writeFile(QFile::decodeName(argv[2]), g_bytes) &&
                       writeFile(QFile::decodeName(argv[3]), refusedClass() + "\n")
                   ? 0
                   : 1;
    }
    const QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    g_path = dir.filePath(u"testo.txt"_s);
    g_bytes = generateText(kFileSize);
    if (!writeFile(g_path, g_bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(g_path));
        return 1;
    }
    const Counts checked = checkWithReport(QFile::encodeName(g_path));
    const Counts expected = countPlainly(g_bytes);
    if (checked.lines != expected.lines || checked.problems != expected.problems) {
        std::fprintf(stderr,
                     "the checker found %lld lines, %lld problems; a plain reading %lld, %lld\n",
                     checked.lines, checked.problems, expected.lines, expected.problems);
        return 1;
    }
    benchmark::AddCustomContext("text_file", qPrintable(g_path));
    benchmark::AddCustomContext("text_file_bytes", std::to_string(g_bytes.size()));
    benchmark::AddCustomContext("text_file_lines", std::to_string(checked.lines));
    benchmark::AddCustomContext("text_file_problems", std::to_string(checked.problems));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
