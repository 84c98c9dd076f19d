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

ProblemReport::ProblemReport(ReportFormat format, const QByteArray &name) : m_format(format)
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
    using Kind = TextProblem::Kind;
    std::string message;
    const auto quoted = [&message](std::string_view text) {
        message += '"';
        message += text;
        message += '"';
    };
    std::string character;
    appendUtf8(character, problem.character);
    switch (problem.kind) {
    case Kind::Character:
        message += "carattere non in tabella: ";
        quoted(character);
        message += " (";
        appendCodePoint(message, problem.character);
        message += ')';
        break;
    case Kind::LineTooLong:
    case Kind::BoxTooFull:
        message += problem.kind == Kind::LineTooLong ? "riga di " : "box di ";
        appendNumber(message, problem.count);
        message += problem.kind == Kind::LineTooLong ? " caratteri" : " righe";
        message += ", oltre il limite di ";
        appendNumber(message, problem.limit);
        break;
    case Kind::MissingCode:
        message += "codice mancante: ";
        quoted(problem.code);
        message += " (nell'originale alla riga ";
        appendNumber(message, problem.count);
        message += ')';
        break;
    case Kind::ExtraCode:
        message += "codice in più: ";
        quoted(problem.code);
        break;
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
    case ReportFormat::Json: {
        const auto string = [&out](const char *key, std::string_view value) {
            out += ",\"";
            out += key;
            out += "\":\"";
            appendJson(out, value);
            out += '"';
        };
        const auto number = [&out](const char *key, qint64 value) {
            out += ",\"";
            out += key;
            out += "\":";
            appendNumber(out, value);
        };
        out += "{\"file\":\"";
        out += m_name;
        out += '"';
        number("line", problem.line);
        number("column", problem.column);
        string("kind", problem.kind == Kind::Character     ? "carattere"
                       : problem.kind == Kind::LineTooLong ? "lunghezza"
                       : problem.kind == Kind::BoxTooFull  ? "righe"
                                                           : "codice");
        string("message", message);
        if (problem.kind == Kind::Character) {
            string("character", character);
            std::string codePoint;
            appendCodePoint(codePoint, problem.character);
            string("codepoint", codePoint);
        } else if (problem.kind == Kind::LineTooLong) {
            number("length", problem.count);
            number("limit", problem.limit);
        } else if (problem.kind == Kind::BoxTooFull) {
            number("lines", problem.count);
            number("limit", problem.limit);
        } else {
            string("code", problem.code);
            if (problem.kind == Kind::MissingCode)
                number("original_line", problem.count);
        }
        out += '}';
        break;
    }
    }
    out += '\n';
}
