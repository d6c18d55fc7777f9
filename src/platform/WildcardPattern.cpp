#include "platform/WildcardPattern.h"

#include "platform/CaseFolding.h"
#include "platform/FileSystem.h"

namespace ze6 {

WildcardPattern::WildcardPattern(const std::string& pattern) : m_pattern(FoldToCodePoints(pattern))
{
    m_trailingQuestionMarks = m_pattern.size();
    while (m_trailingQuestionMarks > 0 && m_pattern[m_trailingQuestionMarks - 1] == U'?')
        --m_trailingQuestionMarks;
}

bool WildcardPattern::Matches(const std::string& name) const
{
    const std::vector<char32_t> text = FoldToCodePoints(name);
    const std::size_t n = text.size();
    const std::size_t m = m_pattern.size();

    // Greedy matching that, on a mismatch, only ever retries the most recent
    // "*" one character further on. Every earlier "*" can keep its extent, so
    // the cost stays within length(name) * length(pattern) for any pattern.
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = m;
    std::size_t starText = 0;
    while (t < n) {
        if (p < m && m_pattern[p] == U'*') {
            starPattern = p++;
            starText = t;
        } else if (p < m && (m_pattern[p] == U'?' || m_pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starPattern != m) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m && (m_pattern[p] == U'*' || (m_pattern[p] == U'?' && p >= m_trailingQuestionMarks)))
        ++p;
    return p == m;
}

namespace FileSystem {

bool MatchesWildcard(const std::string& name, const std::string& pattern)
{
    return WildcardPattern(pattern).Matches(name);
}

} // namespace FileSystem

} // namespace ze6
