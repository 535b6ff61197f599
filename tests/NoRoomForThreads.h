#pragma once

#include <QFile>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

// While it lives, the process may map only a little more memory than it
// has: a new thread, whose stack takes megabytes, is refused as a system
// short of resources refuses it. Stacks kept for reuse are held by threads
// of its own meanwhile. Sanitizers map more than that on their own.
class NoRoomForThreads
{
public:
    NoRoomForThreads()
    {
        for (int i = 0; i < 64; ++i) {
            m_holders.emplace_back([this] {
                std::unique_lock lock(m_mutex);
                m_ended.wait(lock, [this] { return m_ending; });
            });
        }
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        const rlim_t mapped = statm.readAll().split(' ').value(0).toULongLong() * rlim_t(sysconf(_SC_PAGESIZE));
        getrlimit(RLIMIT_AS, &m_old);
        const rlimit limited = { mapped + (rlim_t(1) << 20), m_old.rlim_max };
        setrlimit(RLIMIT_AS, &limited);
    }
    ~NoRoomForThreads()
    {
        setrlimit(RLIMIT_AS, &m_old);
        {
            const std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_ended.notify_all();
        for (std::thread &holder : m_holders)
            holder.join();
    }
    NoRoomForThreads(const NoRoomForThreads &) = delete;
    NoRoomForThreads &operator=(const NoRoomForThreads &) = delete;

private:
    rlimit m_old = {};
    std::vector<std::thread> m_holders;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_ending = false;
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELOTRACE_SANITIZED
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VELOTRACE_SANITIZED
#endif
#endif
