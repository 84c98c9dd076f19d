#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <string>

struct TextProblem;

enum class ReportFormat {
    Text,   // TEXT:LINE:COLUMN: message, as compilers write
    GitHub, // ::error file=TEXT,line=LINE,col=COLUMN::message, a GitHub Actions workflow command
    Json,   // one JSON object a line
};

// Writes the problems of one text, one line each, in one of the report's forms.
class ProblemReport final {
public:
    // name: the text's name as given.
    ProblemReport(ReportFormat format, const QByteArray &name);

    void append(std::string &out, const TextProblem &problem) const;

private:
    ReportFormat m_format;
    std::string m_name; // escaped as the format wants
};
