#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

// A Perl-compatible regular expression, compiled by PCRE2 for UTF-8 and, where the machine allows,
// to native code. Its matches are found in lines of UTF-8, where bytes that are not UTF-8 match
// nothing; offsets are bytes.
//
// A match that PCRE2 gives up on (too much backtracking, a JIT stack past its bound) is an error,
// never "no match": the caller must stop and say so.
class Pattern final {
public:
    // The most that matching a line may take for its stack of open choices.
    static constexpr std::size_t StackBound = std::size_t(1) << 30;

    struct Match {
        std::size_t start = 0;
        std::size_t end = 0;
    };
    enum class Outcome { Found, NotFound, Failed };

    // The pattern, or nullopt with the reason in error.
    static std::optional<Pattern> compile(const QString &source, QString &error);

    const QString &source() const { return m_source; }

    // The first match at or after from; an empty match at from itself only if emptyAtFrom. On
    // Failed, reason() tells why.
    Outcome find(std::string_view line, std::size_t from, bool emptyAtFrom, Match &match) const;
    // Italian: why the last find() failed.
    QString reason() const;

private:
    QString m_source;
    std::shared_ptr<pcre2_real_code_8> m_code;
    std::shared_ptr<pcre2_real_match_data_8> m_data;
    bool m_jit = false;
    mutable int m_error = 0;
};
