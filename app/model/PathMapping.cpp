#include "PathMapping.h"

#include <QDir>

namespace {

// A prefix without the separators it ends with, but for the root itself.
QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Whether `prefix` is `path` or the start of its components.
bool isPrefixOf(const QString &prefix, const QString &path)
{
    return path.startsWith(prefix)
        && (path.size() == prefix.size() || prefix.endsWith(QLatin1Char('/'))
            || path[prefix.size()] == QLatin1Char('/'));
}

} // namespace

PathMapping::PathMapping(const QStringList &texts)
{
    for (const QString &text : texts) {
        if (const std::optional<Rule> rule = ruleFromText(text))
            m_rules.append(*rule);
    }
}

std::optional<PathMapping::Rule> PathMapping::ruleFromText(const QString &text)
{
    const qsizetype separator = text.indexOf(QLatin1Char('='));
    if (separator <= 0 || separator == text.size() - 1)
        return std::nullopt;
    QString local = text.mid(separator + 1);
    if (local == QLatin1String("~") || local.startsWith(QLatin1String("~/")))
        local = QDir::homePath() + local.mid(1);
    return Rule { withoutTrailingSeparators(text.left(separator)), withoutTrailingSeparators(local) };
}

void PathMapping::append(const PathMapping &other)
{
    m_rules.append(other.m_rules);
}

QString PathMapping::localPath(const QString &recorded) const
{
    if (recorded == QLatin1String("php:internal"))
        return recorded;
    const Rule *best = nullptr;
    for (const Rule &rule : m_rules) {
        if ((!best || rule.recorded.size() > best->recorded.size()) && isPrefixOf(rule.recorded, recorded))
            best = &rule;
    }
    if (!best)
        return recorded;
    QString rest = recorded.mid(best->recorded.size());
    if (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    if (rest.isEmpty())
        return best->local;
    return best->local.endsWith(QLatin1Char('/')) ? best->local + rest : best->local + QLatin1Char('/') + rest;
}
