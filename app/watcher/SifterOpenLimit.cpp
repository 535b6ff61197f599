#include "SifterOpenLimit.h"

#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <algorithm>

namespace {

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

bool SifterOpenLimit::isOn()
{
    return defaults().boolForKey(VTCSifterMaxLimitOpen);
}

qint64 SifterOpenLimit::maxOpenFiles()
{
    return std::max<qint64>(1, defaults().integerForKey(VTCSifterMaxFiles));
}

SifterOpenLimit::Action SifterOpenLimit::action()
{
    return defaults().integerForKey(VTCSifterMaxAction) == CloseOldest ? CloseOldest : StopOpening;
}

bool SifterOpenLimit::isReached() const
{
    return isOn() && action() == StopOpening && qint64(m_open.size() + m_opening.size()) >= maxOpenFiles();
}

SifterOpenLimit::Choice SifterOpenLimit::choose(qsizetype count)
{
    Choice choice;
    if (!isOn()) {
        choice.open = count;
        return choice;
    }
    const qint64 limit = maxOpenFiles();
    const qint64 counted = qint64(m_open.size() + m_opening.size());
    if (action() == StopOpening) {
        choice.open = qsizetype(std::clamp<qint64>(limit - counted, 0, count));
        return choice;
    }
    const qint64 wanted = std::min<qint64>(count, limit);
    choice.open = qsizetype(std::clamp<qint64>(limit - qint64(m_opening.size()), 0, wanted));
    choice.wait = qsizetype(wanted - choice.open);
    choice.first = count - choice.open;
    // Only as new ones open: a limit lowered meanwhile closes nothing by
    // itself.
    const qint64 excess = choice.open > 0 ? counted + choice.open - limit : 0;
    for (qint64 i = 0; i < excess; ++i)
        choice.close.push_back(m_open[size_t(i)]);
    m_open.erase(m_open.begin(), m_open.begin() + qsizetype(std::max<qint64>(0, excess)));
    return choice;
}

void SifterOpenLimit::opening(const FileIdentity &file)
{
    m_opening.push_back(file);
}

bool SifterOpenLimit::finished(const FileIdentity &file, bool opened)
{
    const auto found = std::find(m_opening.begin(), m_opening.end(), file);
    if (found == m_opening.end())
        return false;
    m_opening.erase(found);
    if (opened)
        m_open.push_back(file);
    return true;
}

bool SifterOpenLimit::documentsChanged(const QSet<QByteArray> &openPaths)
{
    return std::erase_if(m_open, [&openPaths](const FileIdentity &file) { return !file.isAmong(openPaths); }) > 0;
}
