#pragma once

#include <QRegularExpression>
#include <QString>

// A file-name pattern as the watcher applies it: the whole name must match,
// case-sensitively. The one judge of whether a pattern is valid, for the
// watcher and for the field where the user types it.
class SifterPattern final
{
public:
    explicit SifterPattern(const QString &pattern);

    // Invalid patterns match nothing.
    bool isValid() const { return m_errorString.isEmpty(); }
    // Why the pattern is invalid; empty when it is valid.
    QString errorString() const { return m_errorString; }
    QString pattern() const { return m_pattern; }
    bool matches(const QString &name) const;

private:
    QString m_pattern;
    QRegularExpression m_anchored;
    QString m_errorString;
};
