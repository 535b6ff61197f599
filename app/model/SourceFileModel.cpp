#include "SourceFileModel.h"

#include "Profile.h"

const QString &SourceFileModel::path() const
{
    return m_profile->sourceNames().text(m_id);
}

std::string_view SourceFileModel::pathBytes() const
{
    return m_profile->sourceNames().bytes(m_id);
}
