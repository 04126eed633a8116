// kvc's global operator new and delete: small objects from a SmallObjectHeap, the rest from
// malloc. Linked into the kvc executable only, where it also serves the libraries kvc loads.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tools/kvc/SmallObjectHeap.h"

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define KVC_SMALL_OBJECT_HEAP 1
#else
#define KVC_SMALL_OBJECT_HEAP 0
#endif

#if KVC_SMALL_OBJECT_HEAP

namespace {

using kv::kvc::SmallObjectHeap;

// Address space, not memory: a million-line compile keeps about a gigabyte of small objects.
constexpr std::size_t kRegionBytes = sizeof(void*) == 8 ? std::size_t{64} << 30 : 256u << 20;

// Never destroyed: objects in the heap are freed by destructors that run after any of ours.
union Global {
    constexpr Global() : heap(kRegionBytes) {}
    ~Global() {}
    SmallObjectHeap heap;
};
constinit Global global;

enum Choice : int { Undecided, On, Off };
std::atomic<int> choice{Undecided};

// The heap, or null when a preloaded library (another allocator or a memory tool) is to see
// every object. Decided on the first request, which comes before main.
SmallObjectHeap* Heap() {
    int decided = choice.load(std::memory_order_relaxed);
    if (decided == Undecided) {
        const char* preload = std::getenv("LD_PRELOAD");
        decided = preload != nullptr && *preload != 0 ? Off : On;
        choice.store(decided, std::memory_order_relaxed);
    }
    return decided == On ? &global.heap : nullptr;
}

void* AllocateOrNull(std::size_t size) {
    if (SmallObjectHeap::Serves(size)) {
        if (SmallObjectHeap* heap = Heap()) {
            if (void* object = heap->Allocate(size)) return object;
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* Allocate(std::size_t size) {
    for (;;) {
        if (void* object = AllocateOrNull(size)) return object;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void Release(void* object) noexcept {
    if (global.heap.Owns(object)) {
        global.heap.Free(object);
    } else {
        std::free(object);
    }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void operator delete(void* object) noexcept { Release(object); }
void operator delete[](void* object) noexcept { Release(object); }
void operator delete(void* object, std::size_t) noexcept { Release(object); }
void operator delete[](void* object, std::size_t) noexcept { Release(object); }
void operator delete(void* object, const std::nothrow_t&) noexcept { Release(object); }
void operator delete[](void* object, const std::nothrow_t&) noexcept { Release(object); }

namespace kv::kvc {

void AdviseSmallObjectsHugePages() {
    if (SmallObjectHeap* heap = Heap()) heap->AdviseHugePages();
}

void SetSmallObjectUsers(SmallObjectHeap::Users users) {
    if (SmallObjectHeap* heap = Heap()) heap->SetUsers(users);
}

const SmallObjectHeap* SmallObjectsInHugePages() {
    const SmallObjectHeap* heap = Heap();
    return heap != nullptr && heap->HugePagesAdvised() ? heap : nullptr;
}

const SmallObjectHeap* SmallObjects() { return Heap(); }

}  // namespace kv::kvc

#else

namespace kv::kvc {

void AdviseSmallObjectsHugePages() {}
void SetSmallObjectUsers(SmallObjectHeap::Users) {}
const SmallObjectHeap* SmallObjectsInHugePages() { return nullptr; }
const SmallObjectHeap* SmallObjects() { return nullptr; }

}  // namespace kv::kvc

#endif
