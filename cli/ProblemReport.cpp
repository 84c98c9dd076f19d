#include "ProblemReport.h"

#include "TextDecoder.h"
#include "TextEncoding.h"
#include "TextScanner.h"

#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

std::string cat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (const std::string_view part : parts)
        out += part;
    return out;
}

std::string codePoint(char32_t ch)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "U+%04X", unsigned(ch));
    return digits;
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
    using std::to_string;
    std::string character;
    appendUtf8(character, problem.character);
    const std::string count = to_string(problem.count);
    const std::string limit = to_string(problem.limit);
    const std::string message =
        problem.kind == Kind::Character ? cat({"carattere non in tabella: \"", character, "\" (",
                                               codePoint(problem.character), ")"})
        : problem.kind == Kind::LineTooLong
            ? cat({"riga di ", count, " caratteri, oltre il limite di ", limit})
        : problem.kind == Kind::BoxTooFull
            ? cat({"box di ", count, " righe, oltre il limite di ", limit})
        : problem.kind == Kind::MissingCode ? cat({"codice mancante: \"", problem.code,
                                                   "\" (nell'originale alla riga ", count, ")"})
                                            : cat({"codice in più: \"", problem.code, "\""});
    const std::string line = to_string(problem.line);
    const std::string column = to_string(problem.column);

    if (m_format == ReportFormat::Text) {
        out += cat({m_name, ":", line, ":", column, ": ", message, "\n"});
        return;
    }
    if (m_format == ReportFormat::GitHub) {
        out += cat({"::error file=", m_name, ",line=", line, ",col=", column, "::"});
        appendGitHub(out, message, false);
        out += '\n';
        return;
    }
    // JSON: the fields that every problem has, then those of its kind, strings escaped.
    const auto string = [](std::string_view value) {
        std::string quoted = "\"";
        appendJson(quoted, value);
        return quoted + '"';
    };
    const char *const kind = problem.kind == Kind::Character     ? "carattere"
                             : problem.kind == Kind::LineTooLong ? "lunghezza"
                             : problem.kind == Kind::BoxTooFull  ? "righe"
                                                                 : "codice";
    out += cat({"{\"file\":\"", m_name, "\",\"line\":", line, ",\"column\":", column,
                ",\"kind\":\"", kind, "\",\"message\":", string(message)});
    if (problem.kind == Kind::Character)
        out += cat({",\"character\":", string(character), ",\"codepoint\":\"",
                    codePoint(problem.character), "\""});
    else if (problem.kind == Kind::LineTooLong || problem.kind == Kind::BoxTooFull)
        out += cat({problem.kind == Kind::LineTooLong ? ",\"length\":" : ",\"lines\":", count,
                    ",\"limit\":", limit});
    else
        out += cat({",\"code\":", string(problem.code),
                    problem.kind == Kind::MissingCode ? ",\"original_line\":" : "",
                    problem.kind == Kind::MissingCode ? count : ""});
    out += "}\n";
}
