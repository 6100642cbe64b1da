// Replaces the global operator new and delete to count live blocks. Single-threaded tests only.
#include "LiveAllocations.h"

#include <cstdlib>
#include <new>

namespace {

std::ptrdiff_t live = 0;

void* Allocate(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++live;
    return block;
}

void Release(void* block) {
    if (!block)
        return;
    --live;
    std::free(block);
}

}  // namespace

std::ptrdiff_t LiveAllocations() { return live; }

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return operator new(size, std::nothrow); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
