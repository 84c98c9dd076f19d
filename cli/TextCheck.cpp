#include "TextCheck.h"

#include "CheckOptions.h"
#include "FileCheck.h"

#include <algorithm>
#include <string>

TextCheck::TextCheck(const TextReading &reading, const CharacterTable &table,
                     const CheckOptions &options, TextScanner::ProblemSink sink)
    : m_decoder(reading.encoding), m_scanner(table, options.limit, options.markup, std::move(sink)),
      m_markLeft(reading.markLength), m_utf8(reading.encoding == TextEncoding::Utf8)
{
}

bool TextCheck::feed(std::string_view bytes)
{
    const std::size_t mark = std::min(m_markLeft, bytes.size());
    bytes.remove_prefix(mark);
    m_markLeft -= mark;
    // UTF-8 goes to the scanner as it stands, which checks it is UTF-8 as it goes: one pass
    // where two would cost twice. The decoder converts other encodings, and keeps a sequence
    // a block's end cuts short; it completes a byte at a time.
    m_converted.clear();
    const auto convert = [this](char32_t ch) { appendUtf8(m_converted, ch); };
    if (!m_utf8) {
        m_decoder.decode(bytes, convert);
        bytes = {};
    }
    for (; m_decoder.pendingBytes() > 0 && !bytes.empty(); bytes.remove_prefix(1))
        m_decoder.decode(bytes.substr(0, 1), convert);
    // A sequence the end cuts short starts at the last byte that is no trail byte.
    std::size_t whole = bytes.size();
    while (whole > 0 && bytes.size() - whole < 3 && (bytes[whole - 1] & 0xC0) == 0x80)
        --whole;
    if (whole > 0 && wholeUtf8Length(bytes.substr(whole - 1)) == 0)
        --whole;
    else
        whole = bytes.size();
    m_decoder.decode(bytes.substr(whole), convert);
    return m_scanner.feed(m_converted) && m_scanner.feed(bytes.substr(0, whole));
}

bool TextCheck::finish()
{
    m_converted.clear();
    m_decoder.finish([this](char32_t ch) { appendUtf8(m_converted, ch); });
    return m_scanner.feed(m_converted) && m_scanner.finish();
}
