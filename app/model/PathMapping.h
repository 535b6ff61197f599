#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Where the source files a profile names are on this machine, for profiles
// recorded elsewhere (in a container under /var/www/html, read here under
// ~/src/shop): pairs of a recorded prefix and the local prefix it stands
// for. The longest recorded prefix that matches a path wins, the first given
// among equal ones; prefixes match whole path components, so /var/www maps
// /var/www/a.php but not /var/www2/a.php. "php:internal", which names no
// file, is never mapped.
class PathMapping
{
public:
    struct Rule
    {
        QString recorded;
        QString local;
    };

    PathMapping() = default;
    // Rules as the settings and the command line write them, "FROM=TO",
    // split at the first "=": FROM cannot hold one. Entries that are no rule
    // are left out.
    explicit PathMapping(const QStringList &texts);

    // A rule written "FROM=TO", with neither side empty; a local prefix
    // "~" or "~/..." is taken from the home folder.
    static std::optional<Rule> ruleFromText(const QString &text);
    static QString textOf(const Rule &rule) { return rule.recorded + QLatin1Char('=') + rule.local; }

    // Adds rules after those there are, which win among equal prefixes.
    void append(const PathMapping &other);
    const QList<Rule> &rules() const { return m_rules; }

    // The local path of a recorded one; the path itself when no rule maps it.
    QString localPath(const QString &recorded) const;

private:
    QList<Rule> m_rules;
};
