#pragma once

#include "SifterCompletionCheck.h"
#include "SifterFileEntry.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// Follows new profile files until they are complete: written to their end
// (SifterCompletionCheck) or unchanged for the quiet period. A file followed
// that is not complete at a look shows as being written, with its size as
// it grows; one that goes, stops matching or is no regular file is no
// longer followed.
class SifterCompletionWaiter final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The entry listed under a name, or null.
    using Lookup = std::function<SifterFileEntry *(const QByteArray &name)>;

    // A file that never shows its end is taken as complete once its size
    // and modification time have stayed the same this long.
    static constexpr std::chrono::seconds quietPeriod { 10 };

    explicit SifterCompletionWaiter(Lookup lookup);
    ~SifterCompletionWaiter();

    // The clock quiet periods are measured by; the system's unless set.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Follows the entry's file from now on, unless it is followed already.
    void await(SifterFileEntry &entry);
    // Stops following the file listed under `name`.
    void forget(const QByteArray &name);
    // Stops following every file; none shows as being written any more.
    void clear();
    bool isEmpty() const { return m_awaited.empty(); }

    // Looks at every file followed: the entries of those complete now,
    // oldest first (by modification time, then name). They are still
    // followed until forgotten.
    std::vector<SifterFileEntry *> completeEntries();

private:
    struct Awaited
    {
        SifterFileStamp stamp; // at the last look
        std::chrono::steady_clock::time_point since; // of the last change seen
        std::unique_ptr<SifterCompletionCheck> check;
    };

    Lookup m_lookup;
    Clock m_clock;
    std::unordered_map<QByteArray, Awaited> m_awaited;
};
