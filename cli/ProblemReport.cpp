#include "ProblemReport.h"

#include "TextDecoder.h"
#include "TextEncoding.h"
#include "TextScanner.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

void appendNumber(std::string &out, qint64 value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void appendCodePoint(std::string &out, char32_t ch)
{
    char digits[8];
    const auto result = std::to_chars(digits, digits + sizeof digits, std::uint32_t(ch), 16);
    out += "U+";
    out.append(std::size_t(std::max<std::ptrdiff_t>(0, 4 - (result.ptr - digits))), '0');
    for (const char *d = digits; d != result.ptr; ++d)
        out += char(*d >= 'a' ? *d - 'a' + 'A' : *d);
}

// A name as UTF-8 that any reader takes: each stretch of bytes that is not UTF-8 becomes U+FFFD.
std::string validUtf8(const QByteArray &name)
{
    std::string out;
    TextDecoder decoder(TextEncoding::Utf8);
    const auto append = [&out](char32_t ch) { appendUtf8(out, ch); };
    decoder.decode(std::string_view(name.constData(), std::size_t(name.size())), append);
    decoder.finish(append);
    return out;
}

// GitHub's workflow commands: %, CR and LF escaped everywhere, ":" and "," also in properties.
void appendGitHub(std::string &out, std::string_view text, bool property)
{
    for (const char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else if (property && c == ':')
            out += "%3A";
        else if (property && c == ',')
            out += "%2C";
        else
            out += c;
    }
}

// A JSON string's contents, from valid UTF-8.
void appendJson(std::string &out, std::string_view text)
{
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += c;
        }
    }
}

} // namespace

ProblemReport::ProblemReport(ReportFormat format, const QByteArray &name, qint64 limit)
    : m_format(format), m_limit(limit)
{
    if (format == ReportFormat::Text)
        m_name.assign(name.constData(), std::size_t(name.size()));
    else if (format == ReportFormat::GitHub)
        appendGitHub(m_name, validUtf8(name), true);
    else
        appendJson(m_name, validUtf8(name));
}

void ProblemReport::append(std::string &out, const TextProblem &problem) const
{
    const bool character = problem.kind == TextProblem::Kind::Character;
    std::string message;
    if (character) {
        message += "carattere non in tabella: \"";
        appendUtf8(message, problem.character);
        message += "\" (";
        appendCodePoint(message, problem.character);
        message += ')';
    } else {
        message += "riga di ";
        appendNumber(message, problem.length);
        message += " caratteri, oltre il limite di ";
        appendNumber(message, m_limit);
    }

    switch (m_format) {
    case ReportFormat::Text:
        out += m_name;
        out += ':';
        appendNumber(out, problem.line);
        out += ':';
        appendNumber(out, problem.column);
        out += ": ";
        out += message;
        break;
    case ReportFormat::GitHub:
        out += "::error file=";
        out += m_name;
        out += ",line=";
        appendNumber(out, problem.line);
        out += ",col=";
        appendNumber(out, problem.column);
        out += "::";
        appendGitHub(out, message, false);
        break;
    case ReportFormat::Json:
        out += "{\"file\":\"";
        out += m_name;
        out += "\",\"line\":";
        appendNumber(out, problem.line);
        out += ",\"column\":";
        appendNumber(out, problem.column);
        out += character ? ",\"kind\":\"carattere\"" : ",\"kind\":\"lunghezza\"";
        out += ",\"message\":\"";
        appendJson(out, message);
        if (character) {
            out += "\",\"character\":\"";
            std::string ch;
            appendUtf8(ch, problem.character);
            appendJson(out, ch);
            out += "\",\"codepoint\":\"";
            appendCodePoint(out, problem.character);
            out += "\"}";
        } else {
            out += "\",\"length\":";
            appendNumber(out, problem.length);
            out += ",\"limit\":";
            appendNumber(out, m_limit);
            out += '}';
        }
        break;
    }
    out += '\n';
}
