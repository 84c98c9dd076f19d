#pragma once

#include "ProblemReport.h"
#include "ScriptMarkup.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the command line and the project's options file ask for. Names stay the bytes given, so
// that problems name a text exactly as the user wrote it.
struct CheckOptions {
    static constexpr char FileName[] = ".verzino-controlla";

    enum class Action { Check, Help, Version, UsageError };
    Action action = Action::Check;
    qint64 limit = 0;         // 0: no limit
    QList<QByteArray> tables; // in the order given, each merged over the last
    QList<QByteArray> texts;  // "-" is standard input; never empty for Check
    ScriptMarkup markup;
    ReportFormat format = ReportFormat::Text;
    QString error; // Italian; UsageError only

    // Reads the options file found in folder or the nearest folder above it (unless the
    // arguments say --nessun-file-opzioni), then the arguments that follow the program's name.
    static CheckOptions parse(const QList<QByteArray> &arguments, const QString &folder);
};
