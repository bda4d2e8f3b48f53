#include "tests/model/AllocationTracker.h"

#include <cstdlib>
#include <new>

namespace {

bool tracking = false;
size_t largestRequest = 0;

void* Allocate(size_t size) noexcept {
    if (tracking && size > largestRequest) largestRequest = size;
    return std::malloc(size ? size : 1);
}

}  // namespace

void StartTrackingAllocations() {
    largestRequest = 0;
    tracking = true;
}

size_t StopTrackingAllocations() {
    tracking = false;
    return largestRequest;
}

// Every unaligned allocation of the program (and of the libraries it loads)
// passes here. All forms are replaced together so that each new meets its
// own delete; the aligned forms stay the library's, as a pair.
void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
