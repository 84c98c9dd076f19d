#include "CheckOptions.h"

#include <QByteArrayView>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Decimal digits only: no sign, no blanks, nothing past 18 digits.
std::optional<qint64> parseLimit(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

CheckOptions usageError(const QString &message)
{
    CheckOptions options;
    options.action = CheckOptions::Action::UsageError;
    options.error = message;
    return options;
}

} // namespace

CheckOptions CheckOptions::parse(const QList<QByteArray> &arguments)
{
    CheckOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments.at(i);
        if (optionsEnded || argument == "-" || !argument.startsWith('-')) {
            options.texts.append(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.action = Action::Help;
            return options;
        }
        if (argument == "--version") {
            options.action = Action::Version;
            return options;
        }

        // --name VALUE or --name=VALUE
        const qsizetype equals = argument.indexOf('=');
        const QByteArray name = equals < 0 ? argument : argument.left(equals);
        static const QList<QByteArray> kValued = {"--tabella", "--limite", "--salta-righe",
                                                  "--codice",  "--a-capo", "--formato"};
        if (!kValued.contains(name))
            return usageError(u"opzione sconosciuta: %1"_s.arg(QString::fromLocal8Bit(name)));
        QByteArray value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            return usageError(u"manca il valore di %1"_s.arg(QString::fromLatin1(name)));
        }

        const QString text = QString::fromLocal8Bit(value);
        if (name == "--tabella") {
            if (value.isEmpty())
                return usageError(u"--tabella vuole il nome di un file"_s);
            options.tables.append(value);
        } else if (name == "--salta-righe") {
            if (value.isEmpty())
                return usageError(u"--salta-righe vuole il prefisso delle righe da saltare"_s);
            options.markup.skippedPrefixes.append(text);
        } else if (name == "--codice" || name == "--a-capo") {
            QRegularExpression pattern(text);
            if (!pattern.isValid()) {
                return usageError(u"%1: espressione regolare non valida \"%2\": %3"_s.arg(
                    QString::fromLatin1(name), text, pattern.errorString()));
            }
            pattern.optimize();
            (name == "--codice" ? options.markup.codes : options.markup.lineBreaks).append(pattern);
        } else if (name == "--formato") {
            const QList<QByteArray> formats = {"testo", "github", "json"};
            if (!formats.contains(value)) {
                return usageError(u"--formato vuole testo, github o json, non \"%1\""_s.arg(text));
            }
            options.format = ReportFormat(formats.indexOf(value));
        } else {
            const std::optional<qint64> limit = parseLimit(value);
            if (!limit) {
                return usageError(
                    u"--limite vuole un numero intero da 0 in su, non \"%1\""_s.arg(text));
            }
            options.limit = *limit;
        }
    }
    if (options.tables.isEmpty())
        return usageError(u"manca --tabella: indicare almeno una tabella di caratteri"_s);
    if (options.texts.isEmpty())
        options.texts.append("-");
    return options;
}
