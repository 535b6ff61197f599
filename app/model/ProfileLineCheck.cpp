#include "ProfileLineCheck.h"

#include <algorithm>

namespace {

const char notAProfile[] = "The file is not a profile: it has no line that begins with \"events:\" or \"fn=\"";
const char notAProfileAtItsStart[]
    = "The file is not a profile: its first MiB has no line that begins with \"events:\" or \"fn=\"";

} // namespace

void ProfileLineCheck::feed(const char *begin, const char *end)
{
    if (m_found)
        return;
    const char *const stop = begin + std::min<qint64>(end - begin, window - m_seen);
    for (const char *at = begin; at < stop; ++at) {
        const char c = *at;
        if (c == '\n' || c == '\r') {
            m_matched = 0;
            continue;
        }
        if (m_matched < 0)
            continue;
        if (m_matched == 0)
            m_key = c == 'e' ? "events:" : c == 'f' ? "fn=" : nullptr;
        if (!m_key || m_key[m_matched] != c) {
            m_matched = -1;
            continue;
        }
        if (m_key[++m_matched] == '\0') {
            m_found = true;
            return;
        }
    }
    m_seen += stop - begin;
    if (m_seen >= window)
        throw NotAProfile(notAProfileAtItsStart);
}

void ProfileLineCheck::finish() const
{
    if (!m_found)
        throw NotAProfile(notAProfile);
}
