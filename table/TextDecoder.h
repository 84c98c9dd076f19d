#pragma once

#include "TextEncoding.h"

#include <array>
#include <cstddef>
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

    // Hands every character that the bytes complete to onCharacter(char32_t), in order.
    template <typename OnCharacter> void decode(std::string_view bytes, OnCharacter &&onCharacter);
    // Ends the text: a sequence still open gives one U+FFFD (UTF-16: one for a high surrogate
    // without its low half, one for an odd byte). Call once, after the last decode().
    template <typename OnCharacter> void finish(OnCharacter &&onCharacter);

    // Whether any bytes so far were not valid in the encoding.
    bool sawInvalid() const { return m_sawInvalid; }
    // UTF-8: the bytes of a sequence left open by the last block, waiting for the next.
    std::size_t pendingBytes() const { return m_pendingSize; }

    // One UTF-8 sequence: its character (U+FFFD when invalid) and its length in bytes; length 0
    // when the bytes so far are valid but the sequence needs more than are available.
    struct Sequence {
        char32_t character = 0;
        std::size_t length = 0;
        bool valid = true;
    };
    static Sequence utf8Sequence(const unsigned char *p, std::size_t available);

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
