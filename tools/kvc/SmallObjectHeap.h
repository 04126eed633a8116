// SmallObjectHeap: memory for objects of a few words, without malloc's per-block overhead.
//
// A compile builds millions of small objects: child lists of one or two nodes, rewritten token
// texts, table records. malloc gives each at least 32 bytes, a header included, so a list of one
// pointer costs four times its size. Here each size class (multiples of 8 bytes up to kLargest)
// is cut from 64 KiB pages of its own inside one stretch of reserved address space: an object
// costs its size rounded up to 8 and nothing more, and a pointer's page, found by arithmetic,
// tells its class. Each page keeps the slots given back to it, which a class slightly smaller
// borrows before it takes a new page; a page whose every slot is back goes to whichever class
// next needs a page, so memory that one phase of a compile needed serves the next. Pages of
// small objects are not given back to the system, as malloc rarely gives back small blocks.
//
// Two more kinds of request get pages: one of exactly a page (the slabs the syntax library
// builds its trees in) gets a page whole, and one of kRunBytes or more a run of consecutive
// pages, which once freed serves later large blocks and, page by page, small objects: memory a
// phase is done with (the bundle's table texts above all) is reused, not cleared again by the
// system.
//
// Other requests, and every request once the stretch is used up or when it could not be
// reserved, get null: the caller serves them elsewhere (kvc: malloc). Safe to use from several
// threads; while the process has only one, or while the program has said that only one of its
// threads uses the heap, no lock is taken.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kv::kvc {

class SmallObjectHeap {
public:
    static constexpr std::size_t kLargest = 128;
    static constexpr std::size_t kPageBytes = 64 * 1024;
    // From this size on a request gets a run of pages of its own. From half a page on, whole
    // pages hold at most twice what was asked for.
    static constexpr std::size_t kRunBytes = kPageBytes / 2;
    // The region starts on a 2 MiB boundary, so every this many pages begin a huge page.
    static constexpr uint32_t kPagesPerHugePage = (2u << 20) / kPageBytes;

    // A heap over at most regionBytes of address space, reserved on the first request (the
    // system may grant less); constant-initialised, so usable before any constructor has run.
    constexpr explicit SmallObjectHeap(std::size_t regionBytes) : wanted_(regionBytes) {}
    SmallObjectHeap(const SmallObjectHeap&) = delete;
    SmallObjectHeap& operator=(const SmallObjectHeap&) = delete;
    // Gives the region back: every object in it is gone.
    ~SmallObjectHeap();

    // Whether Allocate serves requests of size: small objects, a page whole (what slabs of
    // small objects built elsewhere ask for) and large blocks.
    static constexpr bool Serves(std::size_t size) {
        return size <= kLargest || size == kPageBytes || size >= kRunBytes;
    }

    // size bytes aligned for any object of that size (16 when size is a multiple of 16; pages
    // are aligned to their size), or null when the heap does not serve size or has no room.
    void* Allocate(std::size_t size);

    // Whether pointer came from Allocate of this heap.
    bool Owns(const void* pointer) const {
        // pagesBytes_ is published after firstPage_, and is 0 until then.
        const uintptr_t bytes = pagesBytes_.load(std::memory_order_acquire);
        return reinterpret_cast<uintptr_t>(pointer) - firstPage_.load(std::memory_order_relaxed) <
               bytes;
    }

    // Takes back an object that Allocate gave.
    void Free(void* pointer);

    // Asks the system for 2 MiB pages under the region, for what is touched from now on.
    void AdviseHugePages();

    // Whether AdviseHugePages got its advice taken.
    bool HugePagesAdvised() const { return hugePages_.load(std::memory_order_relaxed); }
    // The region's pages no request has had yet, from the first to the end of the region
    // (empty before the region exists). Readable from any thread: the start only moves on.
    struct Stretch {
        uintptr_t begin = 0;
        uintptr_t end = 0;
    };
    Stretch Untouched() const {
        const uintptr_t first = firstPage_.load(std::memory_order_acquire);
        const uintptr_t bytes = pagesBytes_.load(std::memory_order_acquire);
        if (bytes == 0) return {};
        return {first + std::size_t{carved_.load(std::memory_order_relaxed)} * kPageBytes,
                first + bytes};
    }

    // Which threads call the heap, for its lock. By default any thread may, once the process
    // has more than one; a program whose other threads are gone, or never allocate, says so to
    // spare every call the lock. Set while no other thread is using the heap.
    enum class Users : uint8_t { AnyThread, OneThread };
    void SetUsers(Users users) { users_.store(users, std::memory_order_relaxed); }

private:
    struct FreeSlot {
        FreeSlot* next;
    };
    // What the heap knows of a page, kept in a table at the region's start.
    struct Page {
        FreeSlot* free;     // slots given back, for this page's class
        uint32_t live;      // slots handed out and not given back
        uint32_t unused;    // offset of the first slot never handed out; a run's page count
        uint32_t previous;  // neighbours in its class's list of pages with room, or in the
        uint32_t next;      // list of empty pages (next only)
        uint8_t sizeClass;
        bool listed;  // in its class's list of pages with room
    };
    static constexpr uint32_t kNoPage = UINT32_MAX;
    static constexpr std::size_t kClasses = kLargest / 8;
    // The classes of a page given whole and of the first page of a run of pages.
    static constexpr std::size_t kWholePage = kClasses;
    static constexpr std::size_t kRun = kClasses + 1;
    // One class per multiple of 8: sizes 1..8 are class 0, 121..128 class 15.
    static constexpr std::size_t ClassOf(std::size_t size) {
        return size == 0 ? 0 : (size - 1) / 8;
    }
    static constexpr uint32_t SlotBytes(std::size_t sizeClass) {
        return static_cast<uint32_t>((sizeClass + 1) * 8);
    }

    bool ReserveOnce();
    void* AllocateSlot(std::size_t sizeClass);
    // A free slot of a larger class, taken before a new page is.
    void* BorrowSlot(std::size_t sizeClass);
    void* AllocatePages(std::size_t count);
    uint32_t TakeRun(std::size_t count);
    // A page no object is in: an emptied one, the last of a freed run, or a new one.
    uint32_t UnusedPage();
    // A page with room for sizeClass: one listed for it, else an unused one made its.
    uint32_t PageWithRoom(std::size_t sizeClass);
    // In the header: every allocation asks, and a call would cost as much as the answer.
    static bool HasRoom(const Page& page) {
        return page.free != nullptr || page.unused + SlotBytes(page.sizeClass) <= kPageBytes;
    }
    char* PageStart(uint32_t index) const {
        return reinterpret_cast<char*>(firstPage_.load(std::memory_order_relaxed)) +
               std::size_t{index} * kPageBytes;
    }
    void List(uint32_t index);
    void Unlist(uint32_t index);
    // Holds the heap's lock for its lifetime, where the process has more than one thread.
    class Guard {
    public:
        // Inline, so that a heap of one thread pays a load and a branch per call and no more.
        explicit Guard(SmallObjectHeap& heap) {
            if (heap.users_.load(std::memory_order_relaxed) != Users::OneThread) Lock(heap);
        }
        ~Guard() {
            if (busy_ != nullptr) busy_->clear(std::memory_order_release);
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        void Lock(SmallObjectHeap& heap);

        std::atomic_flag* busy_ = nullptr;
    };

    std::size_t wanted_;
    std::atomic_flag busy_;
    std::atomic<Users> users_{Users::AnyThread};
    enum class State : uint8_t { Unreserved, Ready, Refused } state_ = State::Unreserved;
    // The mapping as the system gave it; inside it, from a 2 MiB boundary, the page table and
    // then the pages. Owns reads the two atomics without the lock.
    char* mapping_ = nullptr;
    std::size_t mappingBytes_ = 0;
    Page* pages_ = nullptr;
    std::atomic<uintptr_t> firstPage_{0};
    std::atomic<uintptr_t> pagesBytes_{0};
    uint32_t pageCount_ = 0;  // how many pages the region holds
    // How many of them have been used; read without the lock by Untouched.
    std::atomic<uint32_t> carved_{0};
    std::atomic<bool> hugePages_{false};
    uint32_t empty_ = kNoPage;
    uint32_t freeRuns_ = kNoPage;  // first pages of runs given back, linked through next
    using PerClass = std::array<uint32_t, kClasses>;
    static constexpr PerClass NoPages() {
        PerClass none{};
        none.fill(kNoPage);
        return none;
    }
    PerClass current_ = NoPages();   // the page each class takes its slots from
    PerClass withRoom_ = NoPages();  // the first of each class's other pages with room
};

// The heap kvc's global operator new serves small requests from, where it has one (glibc on
// Linux, no sanitizer); otherwise these do nothing. The heap stays off when a library is
// preloaded: another allocator or a memory tool such as valgrind or heaptrack, which must see
// every object.
void AdviseSmallObjectsHugePages();
// Tells that heap which threads use it from now on (see SmallObjectHeap::SetUsers).
void SetSmallObjectUsers(SmallObjectHeap::Users users);
// That heap when it lies in huge pages, or null.
const SmallObjectHeap* SmallObjectsInHugePages();
// That heap, or null where it is off.
const SmallObjectHeap* SmallObjects();

}  // namespace kv::kvc
