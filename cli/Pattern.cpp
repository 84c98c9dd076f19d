#include "Pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString pcre2Message(int code)
{
    PCRE2_UCHAR text[256];
    return pcre2_get_error_message(code, text, sizeof text) < 0
               ? u"errore %1"_s.arg(code)
               : QString::fromUtf8(reinterpret_cast<const char *>(text));
}

// One stack and one context for every pattern: the stack's pages are taken only as a line needs
// them, up to the bound.
pcre2_match_context *matchContext()
{
    struct Context {
        pcre2_jit_stack *stack = pcre2_jit_stack_create(32 * 1024, Pattern::StackBound, nullptr);
        pcre2_match_context *context = pcre2_match_context_create(nullptr);
        Context()
        {
            pcre2_jit_stack_assign(context, nullptr, stack);
            pcre2_set_heap_limit(context, uint32_t(Pattern::StackBound / 1024));
        }
        ~Context()
        {
            pcre2_match_context_free(context);
            pcre2_jit_stack_free(stack);
        }
    };
    static const Context shared;
    return shared.context;
}

} // namespace

std::optional<Pattern> Pattern::compile(const QString &source, QString &error)
{
    const QByteArray utf8 = source.toUtf8();
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code *compiled =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.constData()), PCRE2_SIZE(utf8.size()),
                      PCRE2_UTF, &code, &offset, nullptr);
    if (!compiled) {
        error = u"%1 (al carattere %2)"_s.arg(pcre2Message(code))
                    .arg(QString::fromUtf8(utf8.left(qsizetype(offset))).size() + 1);
        return std::nullopt;
    }
    Pattern pattern;
    pattern.m_source = source;
    pattern.m_code.reset(compiled, pcre2_code_free);
    pattern.m_data.reset(pcre2_match_data_create(1, nullptr), pcre2_match_data_free);
    // Without native code PCRE2 interprets the pattern, with the same results.
    pattern.m_jit = pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE) == 0;
    return pattern;
}

Pattern::Outcome Pattern::find(std::string_view line, std::size_t from, bool emptyAtFrom,
                               Match &match) const
{
    const auto subject = reinterpret_cast<PCRE2_SPTR>(line.data());
    const uint32_t options = emptyAtFrom ? 0 : PCRE2_NOTEMPTY_ATSTART;
    // Lines are UTF-8 as the text has them; a stretch that is not matches nothing.
    const int result = m_jit ? pcre2_jit_match(m_code.get(), subject, line.size(), from, options,
                                               m_data.get(), matchContext())
                             : pcre2_match(m_code.get(), subject, line.size(), from, options,
                                           m_data.get(), matchContext());
    if (result == PCRE2_ERROR_NOMATCH)
        return Outcome::NotFound;
    if (result < 0) {
        m_error = result;
        return Outcome::Failed;
    }
    const PCRE2_SIZE *const offsets = pcre2_get_ovector_pointer(m_data.get());
    // \K in a lookahead can put the start past the end: take such a match as empty.
    match = {offsets[0], std::max(offsets[0], offsets[1])};
    return Outcome::Found;
}

QString Pattern::reason() const
{
    switch (m_error) {
    case PCRE2_ERROR_MATCHLIMIT:
        return u"prova troppe strade (backtracking) su questa riga; va resa più semplice, per "
               "esempio senza ripetizioni annidate come (a+)+"_s;
    case PCRE2_ERROR_JIT_STACKLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
        return u"richiede più di %1 MiB di memoria su questa riga; va resa più semplice, per "
               "esempio [ab]+ invece di (a|b)+"_s.arg(StackBound >> 20);
    case PCRE2_ERROR_NOMEMORY:
        return u"memoria esaurita"_s;
    default:
        return pcre2Message(m_error);
    }
}
