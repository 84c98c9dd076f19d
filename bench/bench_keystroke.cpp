// The cost of one character keystroke through admission, with the Italian example table in force.
// The lookup scans the 256 entries in order, so the cost depends on where the character is found.

#include "CharacterTable.h"
#include "Keystroke.h"
#include "TableReader.h"
#include "Windows1252.h"

#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

CharacterTable g_table;

// How many entries the lookup compares before it stops.
int entriesScanned(QChar ch)
{
    for (int code = 0; code < CharacterTable::Size; ++code) {
        const QString &text = g_table.entry(code);
        if (text.size() == 1 && text.front() == ch)
            return code + 1;
    }
    return CharacterTable::Size;
}

void BM_Keystroke(benchmark::State &state)
{
    qint16 code = qint16(state.range(0));
    const KeystrokeAction expected =
        state.range(1) ? KeystrokeAction::AppendAtEnd : KeystrokeAction::Drop;
    if (admitKeystroke(code, true, g_table) != expected) {
        state.SkipWithError("the example table does not decide this character as expected");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(code);
        KeystrokeAction action = admitKeystroke(code, true, g_table);
        benchmark::DoNotOptimize(action);
    }
    state.counters["entries_scanned"] =
        entriesScanned(Windows1252::toUnicode(static_cast<unsigned char>(code)));
}

// '#' fills every code the file leaves undefined, so it is found at entry 0; 'A' is entry 0x41;
// U+00BB (code 0xBB) is entry 0x8E, the table's last one-character entry; '@' is not defined.
BENCHMARK(BM_Keystroke)->ArgNames({"code", "admitted"})->Args({'#', 1});
BENCHMARK(BM_Keystroke)->ArgNames({"code", "admitted"})->Args({'A', 1});
BENCHMARK(BM_Keystroke)->ArgNames({"code", "admitted"})->Args({0xBB, 1});
BENCHMARK(BM_Keystroke)->ArgNames({"code", "admitted"})->Args({'@', 0});

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const QString path = QString::fromUtf8(VERZINO_EXAMPLES_DIR "/italiano.tbl");
    if (const TableReadResult result = readTableFile(QFile::encodeName(path), g_table);
        !result.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
