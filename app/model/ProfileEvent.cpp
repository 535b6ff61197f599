#include "ProfileEvent.h"

ProfileEvent::ProfileEvent(const QString &name)
    : m_name(name)
    , m_kind(name.startsWith(QLatin1String("Time"))
              ? Kind::Time
              : (name.startsWith(QLatin1String("Memory")) ? Kind::Memory : Kind::Other))
    , m_unit(m_kind == Kind::Time ? CostUnit::fromEventName(name.toUtf8()) : CostUnit())
{ }

QList<ProfileEvent> ProfileEvent::fromEventsLine(QByteArrayView line)
{
    if (line.startsWith("events:"))
        line = line.sliced(7);
    QList<ProfileEvent> events;
    for (const QString &name : QString::fromUtf8(line).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        events.append(ProfileEvent(name));
    if (events.isEmpty())
        events.append(ProfileEvent(QStringLiteral("Time")));
    return events;
}

QStringView ProfileEvent::baseName() const
{
    const qsizetype suffix = m_name.indexOf(QLatin1String("_("));
    return suffix > 0 ? QStringView(m_name).first(suffix) : QStringView(m_name);
}

bool ProfileEvent::isNamed(QStringView text) const
{
    return text.compare(m_name, Qt::CaseInsensitive) == 0 || text.compare(baseName(), Qt::CaseInsensitive) == 0;
}
