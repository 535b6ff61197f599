#include "SifterPattern.h"

SifterPattern::SifterPattern(const QString &pattern)
    : m_pattern(pattern)
    , m_anchored(QRegularExpression::anchoredPattern(pattern))
{
    // A pattern that is invalid on its own can compile once wrapped (an
    // unbalanced ")" closes the wrapper's group early and escapes the
    // anchors), so the bare pattern is judged too.
    const QRegularExpression bare(pattern);
    if (!bare.isValid())
        m_errorString = bare.errorString();
    else if (!m_anchored.isValid())
        m_errorString = m_anchored.errorString();
    else
        m_anchored.optimize();
}

bool SifterPattern::matches(const QString &name) const
{
    return isValid() && m_anchored.match(name).hasMatch();
}
