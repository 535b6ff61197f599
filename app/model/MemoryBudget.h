#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// The memory that the profile reads in flight may take together, so that
// reads running at once cannot take more than the system has: each read
// holds a share, reserved as it starts (waiting, holding nothing, while the
// other reads hold what it expects to need) and grown as it builds its
// tree (failing when nothing is left). Shares are given back when the reads
// end. Safe to use from any thread.
class MemoryBudget
{
public:
    // What the system can give at once: measured again whenever a read
    // starts while no other one runs.
    MemoryBudget();
    // A fixed number of bytes.
    explicit MemoryBudget(qint64 bytes);
    MemoryBudget(const MemoryBudget &) = delete;
    MemoryBudget &operator=(const MemoryBudget &) = delete;

    // The budget every read of the process shares, windows and command line.
    static MemoryBudget &shared();
    // What the system can give at once without swapping, as it estimates
    // it; the largest number when it does not tell.
    static qint64 availableMemory();

    // The whole budget now.
    qint64 total() const;

    // One read's part of the budget.
    class Share
    {
    public:
        explicit Share(MemoryBudget &budget);
        ~Share();
        Share(const Share &) = delete;
        Share &operator=(const Share &) = delete;

        // Takes the `bytes` a read expects to need. While they are not free
        // and other reads hold shares, it calls `waiting` once and waits;
        // false when `cancel` is set meanwhile. With no other share held it
        // takes what is free, however little: the need is a guess.
        bool reserve(qint64 bytes, const std::atomic_bool *cancel, const std::function<void()> &waiting);
        // Raises the share to at least `bytes`; false when the budget has
        // not that much left.
        bool grow(qint64 bytes);
        qint64 size() const { return m_size; }
        // Whether a refused grow() was refused because other reads held
        // part of the budget.
        bool refusedForOthers() const { return m_refusedForOthers; }

    private:
        MemoryBudget &m_budget;
        qint64 m_size = 0;
        bool m_refusedForOthers = false;
    };

private:
    const bool m_measured;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    qint64 m_total;
    qint64 m_held = 0;
    int m_shares = 0;
};
