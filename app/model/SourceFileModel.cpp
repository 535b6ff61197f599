#include "SourceFileModel.h"

#include "Profile.h"

const QString &SourceFileModel::path() const
{
    return m_profile->sourceNames().text(m_id);
}
