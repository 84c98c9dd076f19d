#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <string_view>

class CharacterTable;
struct CheckOptions;

// How a text is to be read, as its first bytes tell: as its byte order mark says, or else as
// UTF-8 until a byte shows it is not (then Windows-1252). One that looks like UTF-16 without a
// mark is refused rather than checked as garbage.
struct TextReading {
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t markLength = 0;
    bool guessed = false;
    bool refused = false;

    static TextReading of(std::string_view start);
};

struct FileCheckResult {
    qint64 lines = 0;
    qint64 problems = 0;
    QString error;      // Italian, names the text and the reason; empty when it was checked whole
    bool fatal = false; // a pattern failed on it: check nothing more
};

// Checks one text ("-": standard input) with the tables, the limit and the markup of the options
// and writes one line a problem to out, in the options' format. Nothing is written for a text
// that cannot be read from its start; one that fails part way may leave what was found before.
FileCheckResult checkFile(const QByteArray &name, const CharacterTable &table,
                          const CheckOptions &options, std::FILE *out);
