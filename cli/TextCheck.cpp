#include "TextCheck.h"

#include "CheckOptions.h"
#include "FileCheck.h"

#include <algorithm>
#include <string>

TextCheck::TextCheck(const TextReading &reading, const CharacterTable &table,
                     const CheckOptions &options, TextScanner::ProblemSink sink)
    : m_decoder(reading.encoding), m_scanner(table, options.limit, options.markup, std::move(sink)),
      m_markLeft(reading.markLength),
      m_asItStands(reading.encoding == TextEncoding::Utf8 && options.markup.isEmpty())
{
}

bool TextCheck::feed(std::string_view bytes)
{
    const std::size_t mark = std::min(m_markLeft, bytes.size());
    bytes.remove_prefix(mark);
    m_markLeft -= mark;
    const auto check = [this](std::string_view utf8) { m_ok = m_ok && m_scanner.feed(utf8); };
    if (!m_asItStands) {
        m_decoder.toUtf8(bytes, check);
        return m_ok;
    }
    // UTF-8 without markup goes to the scanner as it stands, which then checks it is UTF-8: one
    // pass where two would cost twice. The decoder keeps what a block's end cuts short.
    bytes = m_decoder.completePending(bytes, check);
    const std::size_t whole = wholeUtf8Length(bytes);
    check(bytes.substr(0, whole));
    m_decoder.toUtf8(bytes.substr(whole), check);
    return m_ok;
}

bool TextCheck::finish()
{
    std::string last;
    m_decoder.finish([&last](char32_t ch) { appendUtf8(last, ch); });
    return m_ok && m_scanner.feed(last) && m_scanner.finish();
}
