#pragma once

#include "FixedArray.h"
#include "HugePageResource.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <memory_resource>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// An array that grows by chunks which never move: growing neither copies
// nor touches what it holds, and items stay where they are. Each chunk is a
// whole number of pages of 2^pageShift items, and an item is found through
// the table of pages, so that chunks can be of any size: one sized from an
// estimate, and another when the estimate proves short. Items are of a
// trivial type and not set when their chunk is added (but for memory that
// comes zeroed).
template <typename T> class ChunkedArray
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    explicit ChunkedArray(unsigned pageShift = 10, std::pmr::memory_resource *memory = &HugePageResource::instance())
        : m_memory(memory)
        , m_pageShift(pageShift)
        , m_pageMask((quint64(1) << pageShift) - 1)
    { }
    ~ChunkedArray() { release(); }
    ChunkedArray(ChunkedArray &&other) noexcept { *this = std::move(other); }
    ChunkedArray &operator=(ChunkedArray &&other) noexcept
    {
        if (this != &other) {
            release();
            m_memory = other.m_memory;
            m_pageShift = other.m_pageShift;
            m_pageMask = other.m_pageMask;
            m_pages = std::exchange(other.m_pages, {});
            m_chunks = std::exchange(other.m_chunks, {});
        }
        return *this;
    }

    T &operator[](quint64 index) { return m_pages[size_t(index >> m_pageShift)][index & m_pageMask]; }
    const T &operator[](quint64 index) const { return m_pages[size_t(index >> m_pageShift)][index & m_pageMask]; }

    quint64 pageSize() const { return m_pageMask + 1; }
    quint64 capacity() const { return quint64(m_pages.size()) << m_pageShift; }
    // Adds a chunk of room for at least `count` more items, which lie one
    // after the other. Throws std::bad_alloc, leaving the array as it was.
    void addChunk(quint64 count)
    {
        const quint64 pages = std::max<quint64>(1, (count + m_pageMask) >> m_pageShift);
        if (pages > (quint64(PTRDIFF_MAX) / sizeof(T)) >> m_pageShift)
            throw std::bad_alloc();
        const size_t bytes = size_t(pages << m_pageShift) * sizeof(T);
        m_pages.reserve(m_pages.size() + size_t(pages));
        m_chunks.reserve(m_chunks.size() + 1);
        T *chunk = static_cast<T *>(m_memory->allocate(bytes, alignof(T)));
        m_chunks.emplace_back(chunk, bytes);
        for (quint64 page = 0; page < pages; ++page)
            m_pages.push_back(chunk + (page << m_pageShift));
    }
    // Makes room for `size` items, adding a chunk as large as the array
    // (or as needed) when there is too little; once the array is large, at
    // least a huge page, so that most of a large array has huge pages.
    void reserve(quint64 size)
    {
        if (size <= capacity())
            return;
        quint64 chunk = std::max(size - capacity(), capacity());
        if (capacity() * sizeof(T) >= HugePageResource::hugePageSize / 8)
            chunk = std::max<quint64>(chunk, HugePageResource::hugePageSize / sizeof(T));
        addChunk(chunk);
    }
    // The first `size` items in one block, the array left empty: its only
    // chunk as it is, or else a copy.
    FixedArray<T> takeAll(quint64 size)
    {
        if (m_chunks.size() == 1 && size <= capacity()) {
            const auto [chunk, bytes] = m_chunks.front();
            m_chunks.clear();
            m_pages.clear();
            return FixedArray<T>(chunk, size_t(size), bytes, m_memory);
        }
        FixedArray<T> all(size_t(size), m_memory);
        for (quint64 page = 0; page << m_pageShift < size; ++page)
            std::memcpy(&all[size_t(page << m_pageShift)], m_pages[size_t(page)],
                size_t(std::min(pageSize(), size - (page << m_pageShift))) * sizeof(T));
        release();
        return all;
    }
    // Bytes of the chunks and of the table.
    qint64 memoryUse() const
    {
        return qint64(capacity() * sizeof(T) + m_pages.capacity() * sizeof(T *)
            + m_chunks.capacity() * sizeof(std::pair<T *, size_t>));
    }

private:
    void release()
    {
        for (const auto &[chunk, bytes] : m_chunks)
            m_memory->deallocate(chunk, bytes, alignof(T));
        m_chunks.clear();
        m_pages.clear();
    }

    std::pmr::memory_resource *m_memory = nullptr;
    unsigned m_pageShift = 0;
    quint64 m_pageMask = 0;
    std::vector<T *> m_pages;
    // Each chunk's start and size in bytes, to give it back.
    std::vector<std::pair<T *, size_t>> m_chunks;
};
