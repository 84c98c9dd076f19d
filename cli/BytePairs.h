#pragma once

#include <cstdint>
#include <cstring>

// A yes or no for every pair of neighbouring bytes, looked up eight pairs at a time: the text
// loops' fast path over one- and two-byte UTF-8, where one table of 64 KiB answers for a
// character and what follows it without a branch.
namespace BytePairs {

// Where a pair (first, second) is kept.
constexpr unsigned index(unsigned char first, unsigned char second)
{
    return first | unsigned(second) << 8;
}

// Whether the table says yes for all eight pairs that start at p[0] to p[7]; reads p[0] to p[8].
inline bool allOf(const unsigned char *table, const unsigned char *p)
{
    std::uint64_t here;
    std::uint64_t next;
    std::memcpy(&here, p, 8);
    std::memcpy(&next, p + 1, 8);
    constexpr std::uint64_t kEven = 0x00FF00FF00FF00FFu;
    const std::uint64_t even = (here & kEven) | (next & kEven) << 8;
    const std::uint64_t odd = (here >> 8 & kEven) | (next >> 8 & kEven) << 8;
    return (table[even & 0xFFFF] & table[even >> 16 & 0xFFFF] & table[even >> 32 & 0xFFFF] &
            table[even >> 48] & table[odd & 0xFFFF] & table[odd >> 16 & 0xFFFF] &
            table[odd >> 32 & 0xFFFF] & table[odd >> 48]) != 0;
}

// The table's answers for the eight pairs that start at p[0] to p[7], pair i in bit i; reads p[0]
// to p[8].
inline unsigned answers(const unsigned char *table, const unsigned char *p)
{
    std::uint64_t here;
    std::uint64_t next;
    std::memcpy(&here, p, 8);
    std::memcpy(&next, p + 1, 8);
    constexpr std::uint64_t kEven = 0x00FF00FF00FF00FFu;
    const std::uint64_t even = (here & kEven) | (next & kEven) << 8;
    const std::uint64_t odd = (here >> 8 & kEven) | (next >> 8 & kEven) << 8;
    unsigned all = 0;
    for (int pair = 0; pair < 8; pair += 2) {
        all |= unsigned(table[even >> (8 * pair) & 0xFFFF] & 1) << pair;
        all |= unsigned(table[odd >> (8 * pair) & 0xFFFF] & 1) << (pair + 1);
    }
    return all;
}

} // namespace BytePairs
