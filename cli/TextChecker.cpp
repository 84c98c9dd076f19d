#include "TextChecker.h"

#include "Keystroke.h"
#include "Windows1252.h"

#include <QChar>

#include <cstdint>
#include <utility>

#if defined(__x86_64__) && !defined(VERZINO_NO_SIMD)
#define VERZINO_CHECKER_SSSE3 1
#include <immintrin.h>
#endif

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;

// The box never receives control characters: Qt puts them into the text of keys that type
// nothing, and the line box leaves them out.
bool isControl(char32_t ch)
{
    return QChar::category(ch) == QChar::Other_Control;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

#if defined(VERZINO_CHECKER_SSSE3)
// One bit for each of the sixteen bytes at p that is not plain: each byte's low nibble picks a row
// of the plain-byte bitmap, its high nibble the bit in it; bytes from 0x80 up have no bit, so they
// always stop.
__attribute__((target("ssse3"))) inline int stopMask16(const unsigned char *p,
                                                       const unsigned char *rows)
{
    const __m128i table = _mm_load_si128(reinterpret_cast<const __m128i *>(rows));
    const __m128i bitOfHigh = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i row = _mm_shuffle_epi8(table, _mm_and_si128(bytes, nibble));
    const __m128i bit =
        _mm_shuffle_epi8(bitOfHigh, _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(row, bit), _mm_setzero_si128()));
}

// Returns where the first byte that is not plain is, or the last whole sixteen bytes' end.
__attribute__((target("ssse3"))) const unsigned char *
skipPlainSsse3(const unsigned char *p, const unsigned char *end, const unsigned char *rows)
{
    while (end - p >= 16) {
        if (const int stops = stopMask16(p, rows); stops != 0)
            return p + __builtin_ctz(unsigned(stops));
        p += 16;
    }
    return p;
}

// One bit for each of the sixteen bytes at p that leads a two-byte UTF-8 sequence the tables
// admit, with lead byte C2 or C3 (U+0080..U+00FF, where a Latin text's accented letters are); the
// byte after the sixteen is read too. latinRows holds the admitted characters' bitmaps of the two
// leads, eight second bytes to a byte, C2's first.
__attribute__((target("ssse3"))) inline int admittedLatinMask16(const unsigned char *p,
                                                                const unsigned char *latinRows)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 1));
    const __m128i seven = _mm_set1_epi8(7);
    const __m128i latin =
        _mm_cmpeq_epi8(_mm_and_si128(bytes, _mm_set1_epi8(char(0xFE))), _mm_set1_epi8(char(0xC2)));
    // Signed, the continuation bytes 80..BF are -128..-65.
    const __m128i nextIsContinuation = _mm_cmplt_epi8(next, _mm_set1_epi8(-64));
    // The bitmap byte: bits 3..5 of the second byte, and C3's bytes after C2's.
    const __m128i row = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(next, 3), seven),
                                     _mm_and_si128(_mm_slli_epi16(bytes, 3), _mm_set1_epi8(8)));
    const __m128i bitOfLow = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i rows = _mm_loadu_si128(reinterpret_cast<const __m128i *>(latinRows));
    const __m128i hit = _mm_and_si128(_mm_shuffle_epi8(rows, row),
                                      _mm_shuffle_epi8(bitOfLow, _mm_and_si128(next, seven)));
    return _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(hit, _mm_setzero_si128()),
                                              _mm_and_si128(latin, nextIsContinuation)));
}

// The same two masks for 32 bytes at once.
__attribute__((target("avx2"))) inline unsigned stopMask32(const unsigned char *p,
                                                           const unsigned char *rows)
{
    const __m256i table =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(rows)));
    const __m256i bitOfHigh = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    const __m256i row = _mm256_shuffle_epi8(table, _mm256_and_si256(bytes, nibble));
    const __m256i bit =
        _mm256_shuffle_epi8(bitOfHigh, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
    return unsigned(_mm256_movemask_epi8(
        _mm256_cmpeq_epi8(_mm256_and_si256(row, bit), _mm256_setzero_si256())));
}

__attribute__((target("avx2"))) inline unsigned admittedLatinMask32(const unsigned char *p,
                                                                    const unsigned char *latinRows)
{
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 1));
    const __m256i seven = _mm256_set1_epi8(7);
    const __m256i latin = _mm256_cmpeq_epi8(_mm256_and_si256(bytes, _mm256_set1_epi8(char(0xFE))),
                                            _mm256_set1_epi8(char(0xC2)));
    const __m256i nextIsContinuation = _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), next);
    const __m256i row =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(next, 3), seven),
                        _mm256_and_si256(_mm256_slli_epi16(bytes, 3), _mm256_set1_epi8(8)));
    const __m256i bitOfLow = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0));
    const __m256i rows =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(latinRows)));
    const __m256i hit =
        _mm256_and_si256(_mm256_shuffle_epi8(rows, row),
                         _mm256_shuffle_epi8(bitOfLow, _mm256_and_si256(next, seven)));
    return unsigned(
        _mm256_movemask_epi8(_mm256_andnot_si256(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256()),
                                                 _mm256_and_si256(latin, nextIsContinuation))));
}

// The bits from..to-1 of a 64-bit mask (from < 64, to <= 64).
inline std::uint64_t bitsBetween(std::ptrdiff_t from, std::ptrdiff_t to)
{
    const std::uint64_t below = to == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << to) - 1;
    return below & ~((std::uint64_t(1) << from) - 1);
}

const bool g_hasSsse3 = __builtin_cpu_supports("ssse3");
// The 64-byte windows count columns with POPCNT, which came after SSSE3.
const bool g_hasWindows = g_hasSsse3 && __builtin_cpu_supports("popcnt");
#if defined(VERZINO_NO_AVX2)
const bool g_hasAvx2 = false;
#else
const bool g_hasAvx2 = g_hasWindows && __builtin_cpu_supports("avx2");
#endif
#endif

} // namespace

TextChecker::TextChecker(const CharacterTable &table, qint64 limit, Encoding encoding,
                         ProblemSink sink)
    : m_sink(std::move(sink)), m_limit(limit), m_encoding(encoding)
{
    // The admission of every code, decided once by the line box's own rule.
    for (int code = 0; code < 256; ++code)
        m_codeRefused[std::size_t(code)] =
            admitKeystroke(qint16(code), true, table) == KeystrokeAction::Drop;
    m_outsideCodePageRefused =
        admitKeystroke(KeyCode::OutsideCodePage, true, table) == KeystrokeAction::Drop;

    for (char32_t ch = 0x80; ch < m_twoByteRefused.size(); ++ch) {
        m_twoByteRefused[ch] = refuses(ch);
        if (ch <= 0xFF && !m_twoByteRefused[ch])
            m_latinAdmitted[(ch >> 6) - 2] |= std::uint64_t(1) << (ch & 0x3F);
    }

    for (int byte = 0; byte < 256; ++byte) {
        ByteClass &cls = m_classes[std::size_t(byte)];
        if (byte == '\n') {
            cls = ByteClass::LineFeed;
        } else if (byte == '\r') {
            cls = ByteClass::CarriageReturn;
        } else if (encoding == Encoding::Utf8 && byte >= 0x80) {
            cls = ByteClass::Multibyte;
        } else {
            const char32_t ch = Windows1252::toUnicode(static_cast<unsigned char>(byte)).unicode();
            cls = !isControl(ch) && m_codeRefused[std::size_t(byte)] ? ByteClass::Refused
                                                                     : ByteClass::Plain;
        }
        if (byte < 0x80 && cls == ByteClass::Plain)
            m_plainRows[std::size_t(byte & 0x0F)] |= static_cast<unsigned char>(1u << (byte >> 4));
    }
}

void TextChecker::feed(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    if (p == end)
        return;
    if (m_skipLineFeed) {
        m_skipLineFeed = false;
        if (*p == '\n')
            ++p;
    }
    if (m_encoding == Encoding::Utf8)
        feedUtf8(p, end);
    else
        feedWindows1252(p, end);
}

void TextChecker::feedWindows1252(const unsigned char *p, const unsigned char *end)
{
    feedBytes(p, end);
}

void TextChecker::feedUtf8(const unsigned char *p, const unsigned char *end)
{
    // First the sequence the last block cut, completed from this one a byte at a time.
    while (m_pendingSize > 0 && p < end) {
        m_pending[m_pendingSize++] = *p++;
        const std::size_t used = takeSequence(m_pending.data(), m_pendingSize);
        if (used > 0) {
            // An invalid byte that ended the sequence is read again on its own; it is always the
            // one just taken from this block.
            p -= m_pendingSize - used;
            m_pendingSize = 0;
        }
    }
    p = feedBytes(p, end);
    if (p < end) {
        m_pendingSize = std::size_t(end - p);
        std::copy(p, end, m_pending.begin());
    }
}

const unsigned char *TextChecker::feedBytes(const unsigned char *p, const unsigned char *end)
{
#if defined(VERZINO_CHECKER_SSSE3)
    if (g_hasAvx2)
        p = feedWindowsAvx2(p, end);
    else if (g_hasWindows)
        p = feedWindows(p, end);
#endif
    while (p < end) {
        const unsigned char *const run = p;
        p = skipPlain(p, end);
        m_column += p - run;
        if (p == end)
            break;
        const unsigned char *const next = takeStop(p, end);
        if (next == p)
            return p; // a UTF-8 sequence cut by the end of the block
        p = next;
    }
    return end;
}

#if defined(VERZINO_CHECKER_SSSE3)
// 64 bytes at a time: one bit mask of the bytes that are not plain, walked stop by stop, so the
// plain bytes between two stops cost nothing each. In a UTF-8 text a two-byte sequence for an
// admitted character from U+0080 to U+00FF (an accented letter) is no stop either: the columns
// between two stops are the bytes there less those sequences' second bytes. Other sequences go
// through takeStop(). Leaves the last bytes, where a sequence or a CR LF could run past the end,
// to the byte loop.
__attribute__((target("ssse3,popcnt"))) const unsigned char *
TextChecker::feedWindows(const unsigned char *p, const unsigned char *end)
{
    const bool utf8 = m_encoding == Encoding::Utf8;
    const auto *const latinRows = reinterpret_cast<const unsigned char *>(m_latinAdmitted.data());
    qint64 column = m_column;
    while (end - p >= 64 + 4) {
        std::uint64_t stops = 0;
        std::uint64_t admitted = 0;
        for (int i = 0; i < 4; ++i) {
            stops |= std::uint64_t(stopMask16(p + 16 * i, m_plainRows.data())) << (16 * i);
            if (utf8)
                admitted |= std::uint64_t(unsigned(admittedLatinMask16(p + 16 * i, latinRows)))
                            << (16 * i);
        }
        p = takeWindow(p, end, stops, admitted, column);
    }
    m_column = column;
    return p;
}

// The same with 32 bytes to a vector.
__attribute__((target("avx2,popcnt"))) const unsigned char *
TextChecker::feedWindowsAvx2(const unsigned char *p, const unsigned char *end)
{
    const bool utf8 = m_encoding == Encoding::Utf8;
    const auto *const latinRows = reinterpret_cast<const unsigned char *>(m_latinAdmitted.data());
    qint64 column = m_column;
    while (end - p >= 64 + 4) {
        const std::uint64_t stops = stopMask32(p, m_plainRows.data()) |
                                    std::uint64_t(stopMask32(p + 32, m_plainRows.data())) << 32;
        const std::uint64_t admitted =
            utf8 ? admittedLatinMask32(p, latinRows) |
                       std::uint64_t(admittedLatinMask32(p + 32, latinRows)) << 32
                 : 0;
        p = takeWindow(p, end, stops, admitted, column);
    }
    m_column = column;
    return p;
}

// Takes the 64 bytes at window, whose stops and admitted two-byte sequences are given; returns
// where the next byte to take is (past the window when a stop's sequence or CR LF runs on).
__attribute__((always_inline)) inline const unsigned char *
TextChecker::takeWindow(const unsigned char *window, const unsigned char *end, std::uint64_t stops,
                        std::uint64_t admitted, qint64 &column)
{
    // A sequence whose second byte is past the window is left to the stops.
    admitted &= ~(std::uint64_t(1) << 63);
    stops &= ~(admitted | admitted << 1);
    const std::uint64_t counted = ~(admitted << 1);

    const unsigned char *p = window;
    while (stops != 0) {
        const int at = __builtin_ctzll(stops);
        stops &= stops - 1;
        const unsigned char *const stop = window + at;
        if (stop < p)
            continue; // inside a sequence or a CR LF already taken
        column += __builtin_popcountll(counted & bitsBetween(p - window, at));
        if (*stop == '\n' && (m_limit <= 0 || column <= m_limit)) {
            // The most common stop, taken here without a call.
            ++m_lines;
            ++m_line;
            column = 0;
            p = stop + 1;
        } else {
            m_column = column;
            p = takeStop(stop, end);
            column = m_column;
        }
    }
    if (p < window + 64) {
        column += __builtin_popcountll(counted & bitsBetween(p - window, 64));
        p = window + 64;
    }
    return p;
}
#endif

const unsigned char *TextChecker::takeStop(const unsigned char *p, const unsigned char *end)
{
    switch (m_classes[*p]) {
    case ByteClass::Plain: // a Windows-1252 letter from 0x80 up, which the vector code stops at
        ++m_column;
        return p + 1;
    case ByteClass::Refused:
        refuse(Windows1252::toUnicode(*p).unicode());
        return p + 1;
    case ByteClass::LineFeed:
        endLine();
        return p + 1;
    case ByteClass::CarriageReturn:
        endLine();
        if (++p == end)
            m_skipLineFeed = true;
        else if (*p == '\n')
            ++p;
        return p;
    case ByteClass::Multibyte:
        break;
    }
    // Two-byte sequences (Latin letters with accents) decided at once from a table.
    if (*p <= 0xDF && *p >= 0xC2 && end - p >= 2 && isContinuation(p[1])) {
        const char32_t ch = char32_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
        if (m_twoByteRefused[ch])
            refuse(ch);
        else
            ++m_column;
        return p + 2;
    }
    return p + takeSequence(p, std::size_t(end - p));
}

std::size_t TextChecker::takeSequence(const unsigned char *p, std::size_t available)
{
    const unsigned char lead = p[0];
    std::size_t length = 0;
    char32_t ch = 0;
    // The range of the second byte narrows for E0, ED, F0 and F4, which keeps out overlong
    // forms, surrogates and code points past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        ch = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        ch = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        ch = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }

    std::size_t valid = length == 0 ? 0 : 1;
    for (; valid < length && valid < available; ++valid) {
        const unsigned char byte = p[valid];
        const bool fits = valid == 1 ? byte >= low && byte <= high : isContinuation(byte);
        if (!fits)
            break;
        ch = (ch << 6) | (byte & 0x3F);
    }
    if (length > 0 && valid == length) {
        character(ch);
        return length;
    }
    if (length > 0 && valid == available)
        return 0; // valid so far, cut by the end of the block
    // Not UTF-8: the longest valid start stands for one replacement character.
    m_sawInvalidUtf8 = true;
    character(kReplacement);
    return valid == 0 ? 1 : valid;
}

const unsigned char *TextChecker::skipPlain(const unsigned char *p, const unsigned char *end) const
{
    const ByteClass *const classes = m_classes.data();
#if defined(VERZINO_CHECKER_SSSE3)
    if (g_hasSsse3) {
        // The vector code stops at every byte from 0x80 up; those that are plain (a
        // Windows-1252 text's letters) are stepped over here. Only the last few bytes are left
        // to the loop below.
        while ((p = skipPlainSsse3(p, end, m_plainRows.data())) < end && end - p >= 16) {
            if (classes[*p] != ByteClass::Plain)
                return p;
            ++p;
        }
    }
#endif
    // Plain is 0: eight bytes at a time while none of them needs anything else.
    const auto at = [classes, &p](int i) { return unsigned(classes[p[i]]); };
    while (end - p >= 8 && (at(0) | at(1) | at(2) | at(3) | at(4) | at(5) | at(6) | at(7)) == 0)
        p += 8;
    while (p < end && classes[*p] == ByteClass::Plain)
        ++p;
    return p;
}

bool TextChecker::refuses(char32_t ch) const
{
    if (isControl(ch))
        return false;
    if (ch <= 0xFFFF) {
        if (const std::optional<unsigned char> code = Windows1252::fromUnicode(QChar(char16_t(ch))))
            return m_codeRefused[*code];
    }
    return m_outsideCodePageRefused;
}

void TextChecker::character(char32_t ch)
{
    if (ch == kByteOrderMark && m_atStart && m_line == 1 && m_column == 0) {
        m_atStart = false;
        return;
    }
    if (refuses(ch))
        refuse(ch);
    else
        ++m_column;
}

void TextChecker::refuse(char32_t ch)
{
    ++m_column;
    ++m_problems;
    m_sink({TextProblem::Kind::Character, m_line, m_column, ch, 0});
}

void TextChecker::endLine()
{
    ++m_lines;
    if (m_limit > 0 && m_column > m_limit) {
        ++m_problems;
        m_sink({TextProblem::Kind::LineTooLong, m_line, m_limit + 1, 0, m_column});
    }
    ++m_line;
    m_column = 0;
}

void TextChecker::finish()
{
    if (m_pendingSize > 0) {
        // A sequence cut by the end of the text.
        m_pendingSize = 0;
        m_sawInvalidUtf8 = true;
        character(kReplacement);
    }
    m_skipLineFeed = false;
    if (m_column > 0)
        endLine();
}
