#include "MemoryBudget.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <limits>

namespace {

// A read that grows takes at least this much more at a time, so that the
// budget is not asked at every call.
constexpr qint64 growthStep = qint64(16) << 20;

} // namespace

MemoryBudget::MemoryBudget()
    : m_measured(true)
    , m_total(availableMemory())
{ }

MemoryBudget::MemoryBudget(qint64 bytes)
    : m_measured(false)
    , m_total(bytes)
{ }

MemoryBudget &MemoryBudget::shared()
{
    static MemoryBudget budget;
    return budget;
}

qint64 MemoryBudget::availableMemory()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        while (!meminfo.atEnd()) {
            const QList<QByteArray> fields = meminfo.readLine().simplified().split(' ');
            bool ok = false;
            const qint64 kilobytes = fields.value(1).toLongLong(&ok);
            if (fields.value(0) == "MemAvailable:" && ok)
                return kilobytes * 1024;
        }
    }
    return std::numeric_limits<qint64>::max();
}

qint64 MemoryBudget::total() const
{
    const std::lock_guard lock(m_mutex);
    return m_total;
}

MemoryBudget::Share::Share(MemoryBudget &budget)
    : m_budget(budget)
{
    const bool first = [&] {
        const std::lock_guard lock(budget.m_mutex);
        return budget.m_shares++ == 0;
    }();
    // Measured outside the lock; the reads that start meanwhile find the
    // figure of the last measure.
    if (first && budget.m_measured) {
        const qint64 available = availableMemory();
        const std::lock_guard lock(budget.m_mutex);
        budget.m_total = available;
    }
}

MemoryBudget::Share::~Share()
{
    {
        const std::lock_guard lock(m_budget.m_mutex);
        m_budget.m_held -= m_size;
        --m_budget.m_shares;
    }
    m_budget.m_released.notify_all();
}

bool MemoryBudget::Share::reserve(qint64 bytes, const std::atomic_bool *cancel, const std::function<void()> &waiting)
{
    bool told = false;
    std::unique_lock lock(m_budget.m_mutex);
    for (;;) {
        const qint64 free = std::max<qint64>(0, m_budget.m_total - m_budget.m_held);
        const qint64 others = m_budget.m_held - m_size;
        if (bytes <= m_size + free || others == 0) {
            const qint64 taken = std::min(free, std::max<qint64>(0, bytes - m_size));
            m_budget.m_held += taken;
            m_size += taken;
            return true;
        }
        if (cancel && cancel->load())
            return false;
        if (!told && waiting) {
            told = true;
            lock.unlock();
            waiting();
            lock.lock();
            continue;
        }
        // A cancel sets a flag and tells no one: it is looked at now and then.
        m_budget.m_released.wait_for(lock, std::chrono::milliseconds(50));
    }
}

bool MemoryBudget::Share::grow(qint64 bytes)
{
    if (bytes <= m_size)
        return true;
    const std::lock_guard lock(m_budget.m_mutex);
    const qint64 free = std::max<qint64>(0, m_budget.m_total - m_budget.m_held);
    const qint64 needed = bytes - m_size;
    if (needed > free) {
        m_refusedForOthers = m_budget.m_held > m_size;
        return false;
    }
    const qint64 taken = std::min(free, std::max({ needed, growthStep, m_size / 4 }));
    m_budget.m_held += taken;
    m_size += taken;
    return true;
}
