#include "TextCheck.h"

#include "CheckOptions.h"
#include "FileCheck.h"

#include <algorithm>
#include <string>

TextCheck::TextCheck(const TextReading &reading, const CharacterTable &table,
                     const CheckOptions &options, TextScanner::ProblemSink sink)
    : m_decoder(reading.encoding), m_scanner(table, options.limit, options.markup, std::move(sink)),
      m_markLeft(reading.markLength)
{
}

bool TextCheck::feed(std::string_view bytes)
{
    const std::size_t mark = std::min(m_markLeft, bytes.size());
    bytes.remove_prefix(mark);
    m_markLeft -= mark;
    m_decoder.toUtf8(bytes, [this](std::string_view utf8) { m_ok = m_ok && m_scanner.feed(utf8); });
    return m_ok;
}

bool TextCheck::finish()
{
    std::string last;
    m_decoder.finish([&last](char32_t ch) { appendUtf8(last, ch); });
    return m_ok && m_scanner.feed(last) && m_scanner.finish();
}
