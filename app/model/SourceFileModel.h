#pragma once

#include <QString>

// The one identity of a source path within a profile.
class SourceFileModel final
{
public:
    explicit SourceFileModel(QString path)
        : m_path(std::move(path))
    { }

    const QString &path() const { return m_path; }

private:
    QString m_path;
};
