#include "bench/counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::ptrdiff_t> inUse{0};
std::atomic<std::ptrdiff_t> peak{0};

// The usable size is what the block really holds, and it is known again at free time
// without a header of our own (sized delete is not called everywhere).
void noteAllocated(void* block) {
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    const auto size = static_cast<std::ptrdiff_t>(malloc_usable_size(block));
    const std::ptrdiff_t now = inUse.fetch_add(size, std::memory_order_relaxed) + size;
    std::ptrdiff_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
}

void noteFreed(void* block) {
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    inUse.fetch_sub(static_cast<std::ptrdiff_t>(malloc_usable_size(block)), std::memory_order_relaxed);
}

void* allocate(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    noteAllocated(block);
    return block;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    void* block = nullptr;
    if (posix_memalign(&block, static_cast<std::size_t>(alignment), size ? size : 1) != 0)
        throw std::bad_alloc();
    noteAllocated(block);
    return block;
}

void release(void* block) noexcept {
    noteFreed(block);
    std::free(block);
}

} // namespace

void startHeapCounting() {
    inUse.store(0);
    peak.store(0);
    counting.store(true);
}

HeapFigures stopHeapCounting() {
    counting.store(false);
    return {static_cast<std::size_t>(peak.load()), static_cast<std::size_t>(inUse.load())};
}

void* countedMalloc(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    noteAllocated(block);
    return block;
}

void countedFree(void* block) {
    release(block);
}

// A block freed while counting that was allocated before it started makes inUse dip below
// the true figure; the measurements start from an empty state, so this does not happen there.
void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* block = std::malloc(size ? size : 1);
    noteAllocated(block);
    return block;
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
