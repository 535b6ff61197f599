#include "SifterCompletionWaiter.h"

#include <algorithm>

SifterCompletionWaiter::SifterCompletionWaiter(Lookup lookup)
    : m_lookup(std::move(lookup))
    , m_clock([] { return std::chrono::steady_clock::now(); })
{ }

SifterCompletionWaiter::~SifterCompletionWaiter() = default;

void SifterCompletionWaiter::await(SifterFileEntry &entry)
{
    if (m_awaited.find(entry.nativeName()) != m_awaited.end())
        return;
    m_awaited.emplace(
        entry.nativeName(), Awaited { entry.stamp(), m_clock(), std::make_unique<SifterCompletionCheck>() });
}

void SifterCompletionWaiter::forget(const QByteArray &name)
{
    if (m_awaited.erase(name) == 0)
        return;
    if (SifterFileEntry *entry = m_lookup(name))
        entry->setWriting(false);
}

void SifterCompletionWaiter::clear()
{
    for (const auto &[name, awaited] : m_awaited) {
        if (SifterFileEntry *entry = m_lookup(name))
            entry->setWriting(false);
    }
    m_awaited.clear();
}

std::vector<SifterFileEntry *> SifterCompletionWaiter::completeEntries()
{
    const auto now = m_clock();
    std::vector<SifterFileEntry *> complete;
    for (auto it = m_awaited.begin(); it != m_awaited.end();) {
        SifterFileEntry *entry = m_lookup(it->first);
        Awaited &awaited = it->second;
        const SifterFileStamp stamp = entry ? SifterFileStamp::of(entry->file().nativePath()) : SifterFileStamp();
        // Gone, no longer matching, or no longer a regular file: not ours
        // to open.
        if (!entry || !entry->fileMatched() || !stamp.isRegular || entry->status() == SifterStatusOpenFailed) {
            if (entry)
                entry->setWriting(false);
            it = m_awaited.erase(it);
            continue;
        }
        if (stamp != awaited.stamp) {
            awaited.stamp = stamp;
            awaited.since = now;
            entry->refreshAttributes();
        }
        if (awaited.check->isComplete(entry->file().nativePath()) || now - awaited.since >= quietPeriod)
            complete.push_back(entry);
        else
            entry->setWriting(true);
        ++it;
    }
    std::sort(complete.begin(), complete.end(), [](const SifterFileEntry *a, const SifterFileEntry *b) {
        if (a->stamp().modifiedNs != b->stamp().modifiedNs)
            return a->stamp().modifiedNs < b->stamp().modifiedNs;
        return a->nativeName() < b->nativeName();
    });
    return complete;
}
