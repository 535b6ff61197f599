#pragma once

#include <QString>

class Profile;

// The one identity of a source path within a profile.
class SourceFileModel final
{
public:
    SourceFileModel(const Profile &profile, quint32 id)
        : m_profile(&profile)
        , m_id(id)
    { }

    // The path as the profile wrote it, decoded from UTF-8.
    const QString &path() const;
    quint32 id() const { return m_id; }

private:
    const Profile *m_profile;
    quint32 m_id;
};
