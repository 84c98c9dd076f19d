#include "CheckOptions.h"

#include "FileSource.h"
#include "LineEnds.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Every option but --help, --version and --nessun-file-opzioni takes a value.
bool takesValue(const QByteArray &name)
{
    static const QList<QByteArray> kValued = {"--tabella",   "--limite",  "--salta-righe",
                                              "--originale", "--codice",  "--a-capo",
                                              "--fine-box",  "--formato", "--righe-per-box"};
    return kValued.contains(name);
}

constexpr std::pair<const char *, ReportFormat> kFormats[] = {
    {"testo", ReportFormat::Text}, {"github", ReportFormat::GitHub}, {"json", ReportFormat::Json}};

// Decimal digits only: no sign, no blanks, nothing past 18 digits.
std::optional<qint64> parseNumber(const QByteArray &text)
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

QString unknown(const QByteArray &name)
{
    return u"opzione sconosciuta: %1"_s.arg(QString::fromUtf8(name));
}

// Takes one option and its value; a relative table's name is taken from folder (empty: as it
// stands). Returns what is wrong, or nothing.
QString take(CheckOptions &options, const QByteArray &name, const QByteArray &value,
             const QString &folder)
{
    const QString text = QString::fromUtf8(value);
    if (name == "--tabella") {
        if (value.isEmpty())
            return u"--tabella vuole il nome di un file"_s;
        const bool relative = !folder.isEmpty() && QDir::isRelativePath(QFile::decodeName(value));
        options.tables.append(relative ? QFile::encodeName(folder) + '/' + value : value);
    } else if (name == "--salta-righe" || name == "--originale") {
        if (value.isEmpty())
            return u"%1 vuole il prefisso delle righe"_s.arg(QString::fromUtf8(name));
        (name == "--originale" ? options.markup.originalPrefixes : options.markup.skippedPrefixes)
            .append(value);
    } else if (name == "--codice" || name == "--a-capo" || name == "--fine-box") {
        QString reason;
        std::optional<Pattern> pattern = Pattern::compile(text, reason);
        if (!pattern) {
            return u"%1: espressione regolare non valida \"%2\": %3"_s.arg(QString::fromUtf8(name),
                                                                           text, reason);
        }
        (name == "--codice"   ? options.markup.codes
         : name == "--a-capo" ? options.markup.lineBreaks
                              : options.markup.boxEnds)
            .append(*std::move(pattern));
    } else if (name == "--formato") {
        const auto *format = std::find_if(std::begin(kFormats), std::end(kFormats),
                                          [&value](const auto &f) { return value == f.first; });
        if (format == std::end(kFormats))
            return u"--formato vuole testo, github o json, non \"%1\""_s.arg(text);
        options.format = format->second;
    } else if (name == "--limite") {
        const std::optional<qint64> limit = parseNumber(value);
        if (!limit)
            return u"--limite vuole un numero intero da 0 in su, non \"%1\""_s.arg(text);
        options.limit = *limit;
    } else {
        const std::optional<qint64> lines = parseNumber(value);
        if (!lines || *lines < 1 || *lines > 99)
            return u"--righe-per-box vuole un numero da 1 a 99, non \"%1\""_s.arg(text);
        options.markup.linesPerBox = *lines;
    }
    return {};
}

QString optionsFileIn(const QString &folder)
{
    for (QDir dir(folder);;) {
        if (QFileInfo(dir, QString::fromLatin1(CheckOptions::FileName)).isFile())
            return dir.filePath(QString::fromLatin1(CheckOptions::FileName));
        if (!dir.cdUp())
            return {};
    }
}

// One option a line: the option, one blank, the value to the line's end as it stands. Blank
// lines and lines whose first non-blank character is "#" say nothing.
QString readOptionsFile(CheckOptions &options, const QString &path)
{
    const auto failed = [&path](const QString &reason) {
        return u"impossibile leggere il file di opzioni \"%1\": %2"_s.arg(path, reason);
    };
    FileSource source;
    if (!source.open(QFile::encodeName(path)))
        return failed(source.error());
    QByteArray bytes;
    char block[4096];
    for (qint64 n; (n = source.read(block, sizeof block)) != 0;) {
        if (n < 0)
            return failed(source.error());
        if (bytes.size() + n > 1024 * 1024)
            return failed(u"è più lungo di 1 MiB"_s);
        bytes.append(block, n);
    }

    const QString folder = QFileInfo(path).absolutePath();
    LineEnds lineEnds;
    qint64 number = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !LineEnds::isLineEnd(bytes[i])) {
            lineEnds.sawText();
            continue;
        }
        const QByteArray line = bytes.mid(start, i - start);
        start = i + 1;
        if (i < bytes.size() && !lineEnds.endsLine(bytes[i]))
            continue;
        const qsizetype indent =
            std::find_if(line.cbegin(), line.cend(), [](char c) { return c != ' ' && c != '\t'; }) -
            line.cbegin();
        if (indent < line.size() && line[indent] != '#') {
            qsizetype blank = indent;
            while (blank < line.size() && line[blank] != ' ' && line[blank] != '\t')
                ++blank;
            const QByteArray name = line.mid(indent, blank - indent);
            const QString error =
                !name.startsWith("--") ? u"ci vuole un'opzione per riga, come --limite 28"_s
                : !takesValue(name)    ? unknown(name)
                : blank == line.size() ? u"manca il valore di %1"_s.arg(QString::fromUtf8(name))
                                       : take(options, name, line.mid(blank + 1), folder);
            if (!error.isEmpty())
                return u"%1:%2: %3"_s.arg(path).arg(number).arg(error);
        }
        ++number;
    }
    return {};
}

CheckOptions usageError(const QString &message)
{
    CheckOptions options;
    options.action = CheckOptions::Action::UsageError;
    options.error = message;
    return options;
}

} // namespace

CheckOptions CheckOptions::parse(const QList<QByteArray> &arguments, const QString &folder)
{
    CheckOptions options;
    const auto optionsEnd = std::find(arguments.cbegin(), arguments.cend(), "--");
    const auto given = [&](std::initializer_list<const char *> names) {
        return std::any_of(arguments.cbegin(), optionsEnd, [&names](const QByteArray &argument) {
            return std::find(names.begin(), names.end(), argument) != names.end();
        });
    };
    if (given({"--help", "-h"})) {
        options.action = Action::Help;
        return options;
    }
    if (given({"--version"})) {
        options.action = Action::Version;
        return options;
    }
    if (!given({"--nessun-file-opzioni"})) {
        const QString file = optionsFileIn(folder);
        const QString error = file.isEmpty() ? QString() : readOptionsFile(options, file);
        if (!error.isEmpty())
            return usageError(error);
    }

    for (auto argument = arguments.cbegin(); argument != arguments.cend(); ++argument) {
        if (argument > optionsEnd || *argument == "-" || !argument->startsWith('-')) {
            options.texts.append(*argument);
            continue;
        }
        if (argument == optionsEnd || *argument == "--nessun-file-opzioni")
            continue;
        // --name VALUE or --name=VALUE
        const qsizetype equals = argument->indexOf('=');
        const QByteArray name = equals < 0 ? *argument : argument->left(equals);
        if (!takesValue(name))
            return usageError(unknown(name));
        QByteArray value;
        if (equals >= 0)
            value = argument->mid(equals + 1);
        else if (argument + 1 != arguments.cend())
            value = *++argument;
        else
            return usageError(u"manca il valore di %1"_s.arg(QString::fromUtf8(name)));
        const QString error = take(options, name, value, {});
        if (!error.isEmpty())
            return usageError(error);
    }
    if (options.tables.isEmpty())
        return usageError(u"manca --tabella: indicare almeno una tabella di caratteri"_s);
    if (options.texts.isEmpty())
        options.texts.append("-");
    return options;
}
