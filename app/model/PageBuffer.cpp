#include "PageBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <limits>
#include <utility>

namespace {

qsizetype pageSize()
{
    static const qsizetype size = qsizetype(sysconf(_SC_PAGESIZE));
    return size;
}

constexpr qsizetype largePageSize = qsizetype(2) << 20;

} // namespace

PageBuffer::~PageBuffer()
{
    unmap();
}

PageBuffer::PageBuffer(PageBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_released(std::exchange(other.m_released, 0))
{ }

PageBuffer &PageBuffer::operator=(PageBuffer &&other) noexcept
{
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_released = std::exchange(other.m_released, 0);
    }
    return *this;
}

bool PageBuffer::reserve(qsizetype capacity)
{
    if (capacity <= m_capacity)
        return true;
    const qsizetype page = pageSize();
    if (capacity > std::numeric_limits<qsizetype>::max() - page)
        return false;
    const qsizetype rounded = (capacity + page - 1) / page * page;
    void *mapped = m_data ? mremap(m_data, size_t(m_capacity), size_t(rounded), MREMAP_MAYMOVE)
                          : mmap(nullptr, size_t(rounded), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    m_data = static_cast<char *>(mapped);
    m_capacity = rounded;
    // Large pages where the system offers them: filling a large buffer page
    // by page costs a fault for every few kilobytes otherwise.
    madvise(m_data, size_t(m_capacity), MADV_HUGEPAGE);
    return true;
}

void PageBuffer::releaseFront(qsizetype bytes)
{
    // In whole large pages, so that none has to be split.
    const qsizetype page = qMax(pageSize(), largePageSize);
    const qsizetype upTo = qMin(bytes, m_size) / page * page;
    if (upTo <= m_released)
        return;
    madvise(m_data + m_released, size_t(upTo - m_released), MADV_DONTNEED);
    m_released = upTo;
}

void PageBuffer::unmap()
{
    if (m_data)
        munmap(m_data, size_t(m_capacity));
    m_data = nullptr;
    m_size = m_capacity = m_released = 0;
}
