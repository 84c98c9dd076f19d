#include "TextEncoding.h"

#include "TextDecoder.h"

QString decodeText(std::string_view bytes, TextEncoding encoding)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    const auto append = [&text](char32_t ch) { text += QChar::fromUcs4(ch); };
    TextDecoder decoder(encoding);
    decoder.decode(bytes, append);
    decoder.finish(append);
    return text;
}

void appendUtf8(std::string &out, char32_t ch)
{
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

std::size_t wholeUtf8Length(std::string_view bytes)
{
    TextDecoder decoder(TextEncoding::Utf8);
    decoder.decode(bytes, [](char32_t) {});
    return bytes.size() - decoder.pendingBytes();
}

std::optional<ByteOrderMark> byteOrderMark(std::string_view start)
{
    if (start.starts_with("\xEF\xBB\xBF"))
        return ByteOrderMark{TextEncoding::Utf8, 3};
    if (start.starts_with("\xFF\xFE"))
        return ByteOrderMark{TextEncoding::Utf16LE, 2};
    if (start.starts_with("\xFE\xFF"))
        return ByteOrderMark{TextEncoding::Utf16BE, 2};
    return std::nullopt;
}
