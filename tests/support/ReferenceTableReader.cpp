#include "ReferenceTableReader.h"

#include "CharacterTable.h"
#include "TableParser.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr std::string_view kMark = "\xEF\xBB\xBF";

// Qt's own strict decoder, not the program's, says what is valid UTF-8. A valid text holds a
// multi-byte sequence exactly when it holds a byte from 0x80 up.
bool isUtf8(std::string_view bytes, bool &multiByte)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    multiByte = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
    return !decoder.hasError();
}

QString kept(std::string_view text, bool cut)
{
    QString out = QString::fromLatin1(text.data(), qsizetype(text.size()));
    if (cut)
        out += u'…';
    return out;
}

} // namespace

int ReferenceTableReader::codeOf(char first, char second)
{
    int code = 0;
    for (const char c : {first, second}) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        // Qt's reading of one hex digit, not the program's.
        bool ok = false;
        const int digit = QByteArray(1, c).toInt(&ok, 16);
        if (!ok)
            break;
        code = code * 16 + digit;
    }
    return code;
}

ReferenceTableReader::ReferenceTableReader(std::string_view file)
{
    // After a UTF-16 mark, the characters as UTF-8 (Qt's own codecs), behind a UTF-8 mark.
    std::string fromUtf16;
    if (const bool le = file.starts_with("\xFF\xFE"); le || file.starts_with("\xFE\xFF")) {
        using Decoder = QStringDecoder;
        Decoder decoder(le ? Decoder::Utf16LE : Decoder::Utf16BE, Decoder::Flag::Stateless);
        QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        const QString text =
            decoder.decode(QByteArrayView(file.data() + 2, qsizetype(file.size()) - 2));
        fromUtf16 = std::string(kMark) + QByteArray(encoder.encode(text)).toStdString();
        file = fromUtf16;
    }
    bool multiByte = false;
    const bool valid = isUtf8(file, multiByte);
    const bool marked = file.substr(0, kMark.size()) == kMark;
    m_encoding = marked || (valid && multiByte) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    if (marked)
        file.remove_prefix(kMark.size());

    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = start;
        while (end < file.size() && file[end] != '\r' && file[end] != '\n')
            ++end;
        const std::string_view line = file.substr(start, end - start);
        if (line.size() >= 3 && line[2] == '=')
            m_texts[std::size_t(codeOf(line[0], line[1]))] = std::string(line.substr(3));
        if (end + 1 < file.size() && file[end] == '\r' && file[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

QStringList ReferenceTableReader::keptDefinitions() const
{
    QStringList out;
    for (int code = 0; code < CharacterTable::Size; ++code) {
        if (const auto &text = m_texts[std::size_t(code)]) {
            const bool cut = text->size() > TableParser::KeptBytes;
            out << QString::number(code, 16) + u'=' +
                       kept(std::string_view(*text).substr(0, TableParser::KeptBytes), cut);
        }
    }
    return out;
}

QStringList ReferenceTableReader::keptDefinitions(const TableParser &parser)
{
    QStringList out;
    for (int code = 0; code < CharacterTable::Size; ++code) {
        if (parser.defines(code))
            out << QString::number(code, 16) + u'=' +
                       kept(parser.rawText(code), parser.isCut(code));
    }
    return out;
}

QString ReferenceTableReader::differenceFrom(const CharacterTable &before,
                                             const CharacterTable &after) const
{
    for (int code = 0; code < CharacterTable::Size; ++code) {
        const auto &text = m_texts[std::size_t(code)];
        QString whole = text ? decodeText(*text, m_encoding) : before.entry(code);
        if (whole.isEmpty())
            whole = u"#"_s;
        const QString &actual = after.entry(code);
        const bool same = text && text->size() > TableParser::KeptBytes
                              ? actual.size() >= 2 && whole.startsWith(actual)
                              : actual == whole;
        if (!same)
            return u"entry %1 is \"%2\", the whole text \"%3\""_s.arg(code, 2, 16, QLatin1Char('0'))
                .arg(actual, whole);
    }
    return {};
}
