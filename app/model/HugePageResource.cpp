#include "HugePageResource.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

std::size_t mappedSize(std::size_t bytes)
{
    return (bytes + HugePageResource::hugePageSize - 1) / HugePageResource::hugePageSize
        * HugePageResource::hugePageSize;
}

} // namespace

HugePageResource &HugePageResource::instance()
{
    static HugePageResource resource;
    return resource;
}

void *HugePageResource::allocateZeroed(std::size_t bytes, std::size_t alignment, std::pmr::memory_resource *memory)
{
    void *block = memory->allocate(bytes, alignment);
    if (memory != &instance() || bytes < hugePageSize)
        std::memset(block, 0, bytes);
    return block;
}

void *HugePageResource::do_allocate(std::size_t bytes, std::size_t alignment)
{
    if (bytes < hugePageSize)
        return ::operator new(bytes, std::align_val_t(alignment));
    if (bytes > SIZE_MAX / 2)
        throw std::bad_alloc();
    // A huge page more than needed, so that an aligned start lies within;
    // what lies before and after it is given back.
    const std::size_t size = mappedSize(bytes);
    const std::size_t mapped = size + hugePageSize;
    void *start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        throw std::bad_alloc();
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t aligned = (address + hugePageSize - 1) & ~std::uintptr_t(hugePageSize - 1);
    if (aligned > address)
        munmap(start, aligned - address);
    if (const std::size_t after = address + mapped - (aligned + size); after > 0)
        munmap(reinterpret_cast<void *>(aligned + size), after);
    void *block = reinterpret_cast<void *>(aligned);
    // Only a request: without huge pages the block works all the same.
    madvise(block, size, MADV_HUGEPAGE);
    return block;
}

void HugePageResource::do_deallocate(void *block, std::size_t bytes, std::size_t alignment)
{
    if (bytes < hugePageSize)
        ::operator delete(block, std::align_val_t(alignment));
    else
        munmap(block, mappedSize(bytes));
}
