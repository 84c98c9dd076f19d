#pragma once

#include "TextEncoding.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Bytes to characters: the one place that knows what valid UTF-8 and UTF-16 are, shared by the
// table reader and the text checker. Streaming: the bytes come in blocks of any size, split
// anywhere, and nothing is kept of them but the few bytes of a sequence that a block leaves open.
//
// UTF-8 is the strict one of RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF,
// and a sequence still open at the end of the text is invalid. Invalid bytes give U+FFFD, one for
// each longest stretch that could still have begun a valid sequence (or one byte where none
// could), as the Unicode Standard recommends: every byte lands in some character, and what follows
// is read from its own start. Windows-1252 gives one character a byte and is never invalid.
//
// UTF-16 pairs bytes into units in the encoding's byte order and units into characters. An
// unpaired surrogate gives U+FFFD and is invalid; so is an odd byte left at the end, and the unit
// that follows a lone high surrogate is read on its own.
//
// A byte order mark is the caller's business (see byteOrderMark()): it comes out as U+FEFF like
// any other character.
class TextDecoder final {
public:
    static constexpr char32_t Replacement = 0xFFFD;

    explicit TextDecoder(TextEncoding encoding) : m_encoding(encoding) {}

    TextEncoding encoding() const { return m_encoding; }

    // Hands every character that the bytes complete to onCharacter(char32_t), in order.
    template <typename OnCharacter> void decode(std::string_view bytes, OnCharacter &&onCharacter);
    // Ends the text: a sequence still open gives one U+FFFD (UTF-16: one for a high surrogate
    // without its low half, one for an odd byte). Call once, after the last decode().
    template <typename OnCharacter> void finish(OnCharacter &&onCharacter);

    // The same characters as UTF-8, handed to onUtf8(std::string_view) in one or more runs: UTF-8
    // that is valid as it stands, without a copy. Call finish() at the end with a callback that
    // takes a character.
    template <typename OnUtf8> void toUtf8(std::string_view bytes, OnUtf8 &&onUtf8);

    // Completes a UTF-8 sequence that the last block left open with the first of these bytes, as
    // toUtf8() would, and returns the bytes that follow it.
    template <typename OnUtf8>
    std::string_view completePending(std::string_view bytes, OnUtf8 &&onUtf8);

    // Whether any bytes so far were not valid in the encoding.
    bool sawInvalid() const { return m_sawInvalid; }
    // The bytes of a sequence left open by the last block, waiting for the next.
    std::size_t pendingBytes() const { return m_pendingSize + (m_highSurrogate != 0 ? 2 : 0); }

    // One UTF-8 sequence: its character (U+FFFD when invalid) and its length in bytes; length 0
    // when the bytes so far are valid but the sequence needs more than are available.
    struct Sequence {
        char32_t character = 0;
        std::size_t length = 0;
        bool valid = true;
    };
    static Sequence utf8Sequence(const unsigned char *p, std::size_t available);

    // Runs of one- and two-byte characters, the bulk of most texts, checked a word at a time:
    // two forms of one rule. Whether a byte may be followed by another there: ASCII and a trail
    // byte by anything but a trail byte, a two-byte lead (C2 to DF) by a trail byte only.
    static constexpr bool isPlainPair(unsigned char first, unsigned char second)
    {
        const auto isTrail = [](unsigned char byte) { return (byte & 0xC0) == 0x80; };
        return first < 0x80 || isTrail(first) ? !isTrail(second)
                                              : first >= 0xC2 && first <= 0xDF && isTrail(second);
    }
    // How many of the eight bytes, from a character's start, are whole characters of one or
    // two bytes: 8, 7 when the last byte leads a two-byte character, or 0 when they hold
    // anything else.
    static int plainUtf8(std::uint64_t word)
    {
        constexpr std::uint64_t kHigh = 0x8080808080808080u;
        const std::uint64_t high = word & kHigh;
        if (high == 0)
            return 8;
        const std::uint64_t bit6 = (word << 1) & kHigh;
        const std::uint64_t bit5 = (word << 2) & kHigh;
        const std::uint64_t leads = high & bit6;
        const std::uint64_t trails = high & ~bit6;
        // 110xxxxx leads two bytes, but C0 and C1 (no bit of 0x1E) never lead.
        const std::uint64_t low = word & 0x1E1E1E1E1E1E1E1Eu;
        const std::uint64_t someLow = ((low + 0x7F7F7F7F7F7F7F7Fu) | low) & kHigh;
        const std::uint64_t last = leads & 0x8000000000000000u;
        if ((leads & (bit5 | ~someLow)) != 0 || (leads & ~last) << 8 != trails)
            return 0;
        return last != 0 ? 7 : 8;
    }

private:
    static char32_t windows1252(unsigned char byte);

    template <typename OnCharacter>
    void takeSequence(const Sequence &sequence, OnCharacter &onCharacter);
    // UTF-16 out of line, a few characters at a time: inlined beside the UTF-8 loop, its code
    // pushed the callers' state out of registers. Decodes units from p on into batch, sets count,
    // and returns where it stopped.
    using Utf16Batch = std::array<char32_t, 32>;
    const unsigned char *decodeUtf16(const unsigned char *p, const unsigned char *end,
                                     Utf16Batch &batch, std::size_t &count);

    TextEncoding m_encoding;
    bool m_sawInvalid = false;
    std::array<unsigned char, 4> m_pending{};
    std::size_t m_pendingSize = 0;
    char16_t m_highSurrogate = 0; // UTF-16: waiting for its low half
    std::string m_converted;      // toUtf8(): what is not the bytes as they stand
};

template <typename OnCharacter>
void TextDecoder::takeSequence(const Sequence &sequence, OnCharacter &onCharacter)
{
    if (!sequence.valid)
        m_sawInvalid = true;
    onCharacter(sequence.character);
}

template <typename OnCharacter>
void TextDecoder::decode(std::string_view bytes, OnCharacter &&onCharacter)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    if (m_encoding == TextEncoding::Windows1252) {
        for (; p < end; ++p)
            onCharacter(windows1252(*p));
        return;
    }
    if (m_encoding != TextEncoding::Utf8) {
        Utf16Batch batch;
        std::size_t count = 0;
        while (p < end) {
            p = decodeUtf16(p, end, batch, count);
            for (std::size_t i = 0; i < count; ++i)
                onCharacter(batch[i]);
        }
        return;
    }

    // First the sequence the last block left open, completed a byte at a time. When the byte
    // just added makes it invalid, that byte is read again on its own.
    while (m_pendingSize > 0 && p < end) {
        m_pending[m_pendingSize++] = *p++;
        const Sequence sequence = utf8Sequence(m_pending.data(), m_pendingSize);
        if (sequence.length > 0) {
            p -= m_pendingSize - sequence.length;
            m_pendingSize = 0;
            takeSequence(sequence, onCharacter);
        }
    }
    while (p < end) {
        if (*p < 0x80) {
            onCharacter(char32_t(*p++));
            continue;
        }
        const Sequence sequence = utf8Sequence(p, std::size_t(end - p));
        if (sequence.length == 0) {
            m_pendingSize = std::size_t(end - p);
            for (std::size_t i = 0; i < m_pendingSize; ++i)
                m_pending[i] = p[i];
            return;
        }
        p += sequence.length;
        takeSequence(sequence, onCharacter);
    }
}

template <typename OnUtf8>
std::string_view TextDecoder::completePending(std::string_view bytes, OnUtf8 &&onUtf8)
{
    if (m_pendingSize == 0)
        return bytes;
    m_converted.clear();
    // A byte at a time: the one that shows the sequence invalid is read again on its own.
    for (; m_pendingSize > 0 && !bytes.empty(); bytes.remove_prefix(1))
        decode(bytes.substr(0, 1), [this](char32_t ch) { appendUtf8(m_converted, ch); });
    if (!m_converted.empty())
        onUtf8(std::string_view(m_converted));
    return bytes;
}

template <typename OnUtf8> void TextDecoder::toUtf8(std::string_view bytes, OnUtf8 &&onUtf8)
{
    m_converted.clear();
    const auto convert = [this](char32_t ch) { appendUtf8(m_converted, ch); };
    if (m_encoding != TextEncoding::Utf8) {
        decode(bytes, convert);
        onUtf8(std::string_view(m_converted));
        return;
    }
    bytes = completePending(bytes, onUtf8);

    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    const unsigned char *run = p; // valid from here on
    const auto flush = [&] {
        if (p > run)
            onUtf8(std::string_view(reinterpret_cast<const char *>(run), std::size_t(p - run)));
    };
    while (p < end) {
        // Runs of one- and two-byte characters, eight bytes at a time; anything else a
        // character at a time below.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const int plain = plainUtf8(word);
            if (plain == 0)
                break;
            p += plain;
        }
        if (p == end)
            break;
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (*p >= 0xC2 && *p <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
            p += 2;
            continue;
        }
        const Sequence sequence = utf8Sequence(p, std::size_t(end - p));
        if (sequence.length == 0) {
            flush();
            m_pendingSize = std::size_t(end - p);
            std::memcpy(m_pending.data(), p, m_pendingSize);
            return;
        }
        if (!sequence.valid) {
            flush();
            m_sawInvalid = true;
            onUtf8(std::string_view("\xEF\xBF\xBD"));
            run = p + sequence.length;
        }
        p += sequence.length;
    }
    flush();
}

template <typename OnCharacter> void TextDecoder::finish(OnCharacter &&onCharacter)
{
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        takeSequence({Replacement, 2, false}, onCharacter);
    }
    if (m_pendingSize > 0) {
        m_pendingSize = 0;
        takeSequence({Replacement, 1, false}, onCharacter);
    }
}
