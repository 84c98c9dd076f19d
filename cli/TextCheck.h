#pragma once

#include "TextDecoder.h"
#include "TextScanner.h"

#include <string>
#include <string_view>

struct CheckOptions;
struct TextReading;

// One reading of a text: its bytes, in blocks split anywhere, read as the reading says (its byte
// order mark left out) and checked as UTF-8.
class TextCheck final {
public:
    TextCheck(const TextReading &reading, const CharacterTable &table, const CheckOptions &options,
              TextScanner::ProblemSink sink);

    // False once a pattern could not be matched (see TextScanner::error()).
    bool feed(std::string_view bytes);
    bool finish();

    // Whether bytes so far were not valid in the encoding (each bad stretch is one U+FFFD).
    bool sawInvalid() const { return m_decoder.sawInvalid() || m_scanner.sawInvalid(); }
    const TextScanner &scanner() const { return m_scanner; }

private:
    TextDecoder m_decoder;
    TextScanner m_scanner;
    std::size_t m_markLeft;
    bool m_utf8;
    std::string m_converted; // what the decoder gives
};
