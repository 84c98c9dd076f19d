#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

class CharacterTable;

struct FileCheckResult {
    qint64 lines = 0;
    qint64 problems = 0;
    QString error; // Italian, names the text and the reason; empty when it was read
};

// Checks one text ("-": standard input) with the tables and the limit (0: none) and writes one
// line a problem to out, in the form compilers use: TEXT:LINE:COLUMN: message. Nothing is
// written for a text that cannot be read.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table, qint64 limit,
                          std::FILE *out);
