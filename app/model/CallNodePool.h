#pragma once

#include <cstddef>

// Storage for call-tree nodes. A profile holds millions of equal-sized
// nodes: taking them from large pages, with no per-block header, saves both
// the page faults and the bookkeeping of the general allocator. All but the
// first large page goes back to the system when the last node is released.
// Thread-safe.
class CallNodePool
{
public:
    static void *allocate(std::size_t size);
    static void deallocate(void *node, std::size_t size) noexcept;
};
