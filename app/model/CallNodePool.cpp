#include "CallNodePool.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__)
namespace {

constexpr std::size_t chunkSize = std::size_t(2) << 20;
constexpr std::size_t slotAlignment = alignof(std::max_align_t);

struct FreeSlot
{
    FreeSlot *next;
};

// The state behind the pool: chunks of one large page each, carved into
// slots of the one node size; freed slots are kept in a list for reuse.
class Chunks
{
public:
    void *take(std::size_t size)
    {
        const std::lock_guard lock(m_mutex);
        if (m_slotSize == 0)
            m_slotSize = (size + slotAlignment - 1) / slotAlignment * slotAlignment;
        if (size > m_slotSize)
            throw std::bad_alloc();
        ++m_live;
        if (m_free) {
            FreeSlot *slot = m_free;
            m_free = slot->next;
            return slot;
        }
        if (m_next + m_slotSize > m_end)
            addChunk();
        void *slot = m_next;
        m_next += m_slotSize;
        return slot;
    }

    void give(void *node) noexcept
    {
        const std::lock_guard lock(m_mutex);
        --m_live;
        if (m_live == 0) {
            releaseAll();
            return;
        }
        m_free = new (node) FreeSlot { m_free };
    }

private:
    void addChunk()
    {
        // Twice the size, trimmed to an aligned chunk, so that the system
        // can back it with one large page.
        void *mapped = mmap(nullptr, 2 * chunkSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            --m_live;
            throw std::bad_alloc();
        }
        auto *raw = static_cast<char *>(mapped);
        const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(raw);
        char *aligned = reinterpret_cast<char *>((address + chunkSize - 1) & ~(chunkSize - 1));
        if (aligned > raw)
            munmap(raw, std::size_t(aligned - raw));
        const std::size_t tail = std::size_t(raw + 2 * chunkSize - (aligned + chunkSize));
        if (tail > 0)
            munmap(aligned + chunkSize, tail);
        madvise(aligned, chunkSize, MADV_HUGEPAGE);
        m_chunks.push_back(aligned);
        m_next = aligned;
        m_end = aligned + chunkSize;
    }

    // Keeps the first chunk, so that making and dropping a few nodes at a
    // time does not map and unmap memory every time.
    void releaseAll() noexcept
    {
        for (size_t i = 1; i < m_chunks.size(); ++i)
            munmap(m_chunks[i], chunkSize);
        m_chunks.resize(1);
        m_chunks.shrink_to_fit();
        m_free = nullptr;
        m_next = m_chunks.front();
        m_end = m_next + chunkSize;
    }

    std::mutex m_mutex;
    std::vector<char *> m_chunks;
    FreeSlot *m_free = nullptr;
    char *m_next = nullptr;
    char *m_end = nullptr;
    std::size_t m_slotSize = 0;
    std::size_t m_live = 0;
};

Chunks &chunks()
{
    // Never destroyed: nodes may outlive static destruction order.
    static Chunks *instance = new Chunks;
    return *instance;
}

} // namespace
#endif

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer every node is a block of its own, so that a
// use after release is caught.
void *CallNodePool::allocate(std::size_t size)
{
    return ::operator new(size);
}

void CallNodePool::deallocate(void *node, std::size_t) noexcept
{
    ::operator delete(node);
}
#else
void *CallNodePool::allocate(std::size_t size)
{
    return chunks().take(size);
}

void CallNodePool::deallocate(void *node, std::size_t) noexcept
{
    chunks().give(node);
}
#endif
