#pragma once

#include <cstddef>
#include <memory_resource>

// Memory for the large arrays of a profile. A block of at least a huge page
// (2 MiB) is mapped on its own, aligned to huge pages and with huge pages
// asked for, so that filling it takes a fault per 2 MiB rather than per
// 4 KiB, which costs much on virtual machines; it comes zeroed. Smaller
// blocks come from the heap. Failure throws std::bad_alloc.
class HugePageResource final : public std::pmr::memory_resource
{
public:
    static constexpr std::size_t hugePageSize = std::size_t(2) << 20;

    static HugePageResource &instance();

    // A zeroed block of `bytes` from `memory`, written only when it does not
    // come zeroed. Throws std::bad_alloc.
    static void *allocateZeroed(std::size_t bytes, std::size_t alignment, std::pmr::memory_resource *memory);

private:
    HugePageResource() = default;

    void *do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void *block, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override { return &other == this; }
};
