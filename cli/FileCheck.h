#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

class CharacterTable;
struct CheckOptions;

struct FileCheckResult {
    qint64 lines = 0;
    qint64 problems = 0;
    QString error; // Italian, names the text and the reason; empty when it was read
};

// Checks one text ("-": standard input) with the tables, the limit and the markup of the options
// and writes one line a problem to out, in the options' format. Nothing is written for a text
// that cannot be read from its start; one that fails part way may leave what was found before.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table,
                          const CheckOptions &options, std::FILE *out);
