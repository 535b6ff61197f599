#pragma once

#include "HugePageResource.h"

#include <QtGlobal>

#include <memory_resource>
#include <new>
#include <type_traits>
#include <utility>

// An array of a trivial type sized once, in one block, its items zero: the
// arrays worked out once a profile is read, whose sizes are known by then.
template <typename T> class FixedArray
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    FixedArray() = default;
    explicit FixedArray(std::size_t size, std::pmr::memory_resource *memory = &HugePageResource::instance())
        : m_memory(memory)
        , m_size(size)
    {
        if (size > PTRDIFF_MAX / sizeof(T))
            throw std::bad_alloc();
        m_bytes = size * sizeof(T);
        m_items = static_cast<T *>(HugePageResource::allocateZeroed(m_bytes, alignof(T), memory));
    }
    // Takes over `items`, `size` items in a block of `bytes` from `memory`.
    FixedArray(T *items, std::size_t size, std::size_t bytes, std::pmr::memory_resource *memory)
        : m_memory(memory)
        , m_items(items)
        , m_size(size)
        , m_bytes(bytes)
    { }
    ~FixedArray() { release(); }
    FixedArray(FixedArray &&other) noexcept { *this = std::move(other); }
    FixedArray &operator=(FixedArray &&other) noexcept
    {
        if (this != &other) {
            release();
            m_memory = other.m_memory;
            m_items = std::exchange(other.m_items, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_bytes = std::exchange(other.m_bytes, 0);
        }
        return *this;
    }

    T *data() { return m_items; }
    const T *data() const { return m_items; }
    T *begin() { return m_items; }
    T *end() { return m_items + m_size; }
    const T *begin() const { return m_items; }
    const T *end() const { return m_items + m_size; }
    T &operator[](std::size_t index) { return m_items[index]; }
    const T &operator[](std::size_t index) const { return m_items[index]; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    qint64 memoryUse() const { return qint64(m_size * sizeof(T)); }

private:
    void release()
    {
        if (m_items)
            m_memory->deallocate(m_items, m_bytes, alignof(T));
        m_items = nullptr;
        m_size = 0;
        m_bytes = 0;
    }

    std::pmr::memory_resource *m_memory = nullptr;
    T *m_items = nullptr;
    std::size_t m_size = 0;
    std::size_t m_bytes = 0;
};
