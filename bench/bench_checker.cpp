// verzino-controlla's checking of a text against the machine's floor, a plain read() of the
// same file in the same block size, and beside it a read() that also counts the lines.

#include "CharacterTable.h"
#include "CheckOptions.h"
#include "FileCheck.h"
#include "Keystroke.h"
#include "TableReader.h"
#include "TextFile.h"
#include "TextCheck.h"
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
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t kFileSize = 100u * 1024 * 1024;
constexpr std::size_t kBlockSize = TextFile::BlockSize;
constexpr qint64 kLimit = 60;

QString g_path;
std::string g_bytes;
CharacterTable g_table;

constexpr qint64 kScriptLimit = 28;

// Draws from a fixed seed, so that every run writes the same texts.
class Dice {
public:
    explicit Dice(unsigned seed) : m_random(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    const char *pick(std::span<const char *const> items)
    {
        return items[std::size_t(below(int(items.size())))];
    }

private:
    std::mt19937 m_random;
};

qint64 characters(std::string_view utf8)
{
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

struct GeneratedText {
    std::string bytes;
    qint64 problems = 0; // what the checker must report
    qint64 characters = 0;
    qint64 nonAscii = 0; // characters beyond U+007F
};

// A text being written, counting the problems the checker must find in it: each character the
// table refuses, each line (each screen line, in a script) past the limit.
class TextBuilder {
public:
    explicit TextBuilder(qint64 limit) : m_limit(limit) {}

    std::size_t size() const { return m_text.bytes.size(); }
    qint64 column() const { return m_column; }
    void text(std::string_view s)
    {
        append(s);
        m_column += characters(s);
    }
    void refused(std::string_view s)
    {
        text(s);
        ++m_text.problems;
    }
    void code(std::string_view s) { append(s); } // takes no room on the screen
    void problem() { ++m_text.problems; }        // a code or a box the checker must report
    void screenLineEnd(std::string_view s)
    {
        code(s);
        endColumns();
    }
    void lineEnd(std::string_view s = "\n")
    {
        endColumns();
        append(s);
    }
    void skippedLine(std::string_view s)
    {
        append(s);
        append("\n");
    }
    GeneratedText take() { return std::move(m_text); }

private:
    void append(std::string_view s)
    {
        m_text.bytes += s;
        for (const char c : s) {
            const auto byte = static_cast<unsigned char>(c);
            m_text.characters += (byte & 0xC0) != 0x80;
            m_text.nonAscii += byte >= 0xC0;
        }
    }
    void endColumns()
    {
        if (m_column > m_limit)
            ++m_text.problems;
        m_column = 0;
    }

    qint64 m_limit;
    qint64 m_column = 0;
    GeneratedText m_text;
};

constexpr const char *kPunctuation[] = {",", ".", "!", "?", ":", ";", "..."};

constexpr const char *kEnglishWords[] = {
    "the",     "knight", "walks",  "into",    "town",   "because", "it",     "is",     "already",
    "night",   "and",    "gate",   "of",      "castle", "opens",   "more",   "slowly", "than",
    "seemed",  "but",    "nobody", "answers", "Sir",    "do",      "you",    "want",   "to",
    "buy",     "this",   "sword",  "gold",    "coins",  "I",       "have",   "seen",   "your",
    "brother", "at",     "mine",   "dawn",    "inn",    "past",    "bridge", "That's", "It's",
    "Welcome", "a",      "long",   "road",    "sea"};
// About one word in ten has an accented letter: some 2% of the characters.
constexpr const char *kItalianWords[] = {
    "il",         "cavaliere", "entra",  "nella",    "città",     "perché",  "è",        "già",
    "notte",      "la",        "porta",  "del",      "castello",  "si",      "apre",     "più",
    "lentamente", "di",        "quanto", "sembrava", "Però",      "nessuno", "risponde", "all'",
    "Così",       "Signore",   "vuoi",   "comprare", "questa",    "spada",   "100",      "monete",
    "ho",         "visto",     "mio",    "fratello", "andato",    "alla",    "miniera",  "alba",
    "locanda",    "oltre",     "ponte",  "prendi",   "tutto",     "quello",  "che",      "bottega",
    "fabbri",     "dal",       "cento",  "furto",    "benvenuto", "una",     "strada",   "lunga",
    "verso",      "mare"};
// Short words, as in dialogue, so that accented letters and guillemets make a large share.
constexpr const char *kCapitalWords[] = {"IL", "LA", "DI", "UN",  "CHE", "NON",
                                         "SI", "MA", "HO", "MIO", "DEL", "SPADA"};
// Only the accented capitals the table has; it lacks Ì, Ò and Ù. "È" is the most frequent.
constexpr const char *kCapitalAccentedWords[] = {"È",  "È",    "GIÀ",   "CITTÀ", "PERCHÉ", "NÉ",
                                                 "SÉ", "SARÀ", "CAFFÈ", "POTRÀ", "perché", "né"};

// Lines of prose, mostly clean: now and then a line longer than the limit or, about one line
// in a thousand, a character the table refuses.
struct Prose {
    std::span<const char *const> words;
    std::span<const char *const> accented; // when given, every other word
    std::span<const char *const> refused;
    bool guillemets = false; // « » around every line, as in dialogue
    bool crlf = false;       // a few CR LF line ends among the LF
};

GeneratedText generateProse(const Prose &prose, std::size_t size, unsigned seed)
{
    Dice dice(seed);
    TextBuilder text(kLimit);
    while (text.size() < size) {
        if (prose.guillemets)
            text.text("«");
        const int words = 3 + dice.below(dice.below(500) == 0 ? 12 : 4);
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                text.text(" ");
            text.text(dice.pick(w % 2 && !prose.accented.empty() ? prose.accented : prose.words));
            if (dice.below(6) == 0)
                text.text(dice.pick(kPunctuation));
        }
        if (prose.guillemets)
            text.text("»");
        if (dice.below(1000) == 0) {
            text.text(" ");
            text.refused(dice.pick(prose.refused));
        }
        text.lineEnd(prose.crlf && dice.below(20) == 0 ? "\r\n" : "\n");
    }
    return text.take();
}

GeneratedText generateItalian(std::size_t size)
{
    static constexpr const char *kRefused[] = {"ß", "&", "\xF0\x9F\x98\x80"};
    return generateProse({kItalianWords, {}, kRefused, false, true}, size, 20261207);
}

// One screen line of a translation, within the limit but about once in 500 past it, and as
// often holding a character the table refuses.
void writeScreenLine(TextBuilder &text, Dice &dice)
{
    const int fate = dice.below(500);
    const bool tooLong = fate == 0;
    const bool refused = fate == 1;
    const qint64 room = refused ? kScriptLimit - 2 : kScriptLimit;
    const int words = 2 + dice.below(4);
    for (int w = 0; w < words || (tooLong && text.column() <= kScriptLimit); ++w) {
        std::string word = w > 0 ? " " : "";
        word += dice.pick(kItalianWords);
        if (dice.below(6) == 0)
            word += dice.pick(kPunctuation);
        if (!tooLong && text.column() + characters(word) > room)
            break;
        text.text(word);
    }
    if (refused) {
        text.text(" ");
        text.refused("&");
    }
}

// A script in Atlas's form: for each message an address, the original after "//" and the
// translation with its control codes, screen lines of at most 28 characters, two a box.
GeneratedText generateScript(std::size_t size)
{
    Dice dice(20261208);
    TextBuilder text(kScriptLimit);
    text.skippedLine("// Tabella: italiano.tbl. Righe di schermo di 28 caratteri al massimo.");
    text.skippedLine("#VAR(Tabella, TABLE)");
    text.skippedLine("#ADDTBL(\"italiano.tbl\", Tabella)");
    text.skippedLine("#ACTIVETBL(Tabella)");
    text.lineEnd();
    for (unsigned address = 0x1A200; text.size() < size; address += 0x20 + dice.below(0x40)) {
        char jump[32];
        std::snprintf(jump, sizeof jump, "#JMP($%X)", address);
        text.skippedLine(jump);
        // Now and then a box too full or a code the original lacks, as in a script nearly done.
        const int screenLines = dice.below(500) == 0 ? 3 : 1 + dice.below(2);
        const bool prefixed = dice.below(4) == 0;
        std::string original = prefixed ? "// <$FB>" : "// ";
        for (int s = 0; s < screenLines; ++s) {
            if (s > 0)
                original += "<line>";
            for (int w = 0, words = 3 + dice.below(4); w < words; ++w)
                original += std::string(w > 0 ? " " : "") + dice.pick(kEnglishWords);
        }
        text.skippedLine(original + "<end>");
        if (prefixed)
            text.code("<$FB>");
        for (int s = 0; s < screenLines; ++s) {
            if (s > 0)
                text.screenLineEnd("<line>");
            writeScreenLine(text, dice);
        }
        if (screenLines > 2)
            text.problem();
        if (dice.below(500) == 0) {
            text.code("<$FC>");
            text.problem();
        }
        text.code("<end>");
        text.lineEnd();
        text.lineEnd();
    }
    return text.take();
}

// The texts that checker-vs-grep.sh compares on, by name.
std::optional<GeneratedText> generate(std::string_view kind)
{
    static constexpr const char *kEnglishRefused[] = {"&", "\xF0\x9F\x98\x80"};
    static constexpr const char *kCapitalRefused[] = {"PIÙ", "PERÒ", "COSÌ"};
    if (kind == "english")
        return generateProse({kEnglishWords, {}, kEnglishRefused}, kFileSize, 20261209);
    if (kind == "italian")
        return generateItalian(kFileSize);
    if (kind == "accents")
        return generateProse({kCapitalWords, kCapitalAccentedWords, kCapitalRefused, true},
                             kFileSize, 20261210);
    if (kind == "script")
        return generateScript(kFileSize);
    return std::nullopt;
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
        CheckOptions options;
        options.limit = kLimit;
        TextCheck check({TextEncoding::Utf8}, g_table, options,
                        [](const TextProblem &problem) { benchmark::DoNotOptimize(problem); });
        for (std::size_t at = 0; at < g_bytes.size(); at += kBlockSize)
            check.feed(std::string_view(g_bytes).substr(at, kBlockSize));
        check.finish();
        benchmark::DoNotOptimize(check.scanner().problems());
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
    // bench_checker --write-text KIND TEXT CLASS: writes one of the texts of generate() and, for
    // grep -P, the class of the characters the table refuses, prints the number of problems the
    // checker must report and the text's share of non-ASCII characters, then stops.
    const bool writeOnly = argc == 5 && std::strcmp(argv[1], "--write-text") == 0;
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
        const std::optional<GeneratedText> text = generate(argv[2]);
        if (!text) {
            std::fprintf(stderr, "no text called %s: english, italian, accents or script\n",
                         argv[2]);
            return 1;
        }
        if (!writeFile(QFile::decodeName(argv[3]), text->bytes) ||
            !writeFile(QFile::decodeName(argv[4]), refusedClass() + "\n"))
            return 1;
        std::printf("%lld %.2f%%\n", text->problems, 100.0 * text->nonAscii / text->characters);
        return 0;
    }
    const QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    g_path = dir.filePath(u"testo.txt"_s);
    GeneratedText generated = generateItalian(kFileSize);
    g_bytes = std::move(generated.bytes);
    if (!writeFile(g_path, g_bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(g_path));
        return 1;
    }
    const Counts checked = checkWithReport(QFile::encodeName(g_path));
    const Counts expected = countPlainly(g_bytes);
    if (checked.lines != expected.lines || checked.problems != expected.problems ||
        expected.problems != generated.problems) {
        std::fprintf(stderr,
                     "the checker found %lld lines, %lld problems; a plain reading %lld, %lld; "
                     "the text was written with %lld\n",
                     checked.lines, checked.problems, expected.lines, expected.problems,
                     generated.problems);
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
