// LargePages: a heap grown once and advised to use transparent huge pages.
#include "tools/kvc/LargePages.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <sys/mman.h>
#include <unistd.h>
#define KVC_HEAP_IN_HUGE_PAGES 1
#else
#define KVC_HEAP_IN_HUGE_PAGES 0
#endif

namespace kv::kvc {

#if KVC_HEAP_IN_HUGE_PAGES
namespace {

// The stretches of malloc's heap advised to use huge pages, until ReturnFreeHeapMemory.
std::array<std::pair<uintptr_t, std::size_t>, kMaxHeapParts> advised{};
std::size_t advisedCount = 0;
// The block below the heap's first huge page, never freed; volatile, so that the compiler, which
// may drop an allocation nothing reads, keeps it.
void* volatile headFiller = nullptr;

}  // namespace
#endif

namespace {

// The whole text of a small file such as a kernel setting; empty where it cannot be read.
std::string TextOfFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

bool HugePagesOnRequest(std::string_view enabledSetting) {
    return enabledSetting.find("[madvise]") != std::string_view::npos;
}

bool TunablesChoosePageSize(const char* tunables) {
    const std::string_view set = tunables != nullptr ? tunables : "";
    constexpr std::string_view kTunable = "glibc.malloc.hugetlb";
    for (std::size_t start = 0; start <= set.size();) {
        const std::size_t end = std::min(set.find(':', start), set.size());
        const std::string_view entry = set.substr(start, end - start);
        if (entry.substr(0, entry.find('=')) == kTunable) return true;
        start = end + 1;
    }
    return false;
}

bool ReportsFreePages(std::string_view device, std::string_view features) {
    // The virtio device id of a memory balloon, and its feature bit for free page reporting.
    constexpr std::string_view kBalloon = "0x0005";
    constexpr std::size_t kReportingBit = 5;
    const bool balloon = device.substr(0, kBalloon.size()) == kBalloon &&
                         device.find_first_not_of(" \n", kBalloon.size()) == std::string_view::npos;
    return balloon && features.size() > kReportingBit && features[kReportingBit] == '1';
}

bool FreeMemoryGoesBackToHost(const std::filesystem::path& virtioDevices) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(virtioDevices, ec), end; !ec && it != end; it.increment(ec)) {
        if (ReportsFreePages(TextOfFile(it->path() / "device"),
                             TextOfFile(it->path() / "features"))) {
            return true;
        }
    }
    return false;
}

std::size_t HeapReserveFor(CompileInputSizes inputs, std::uintmax_t memoryBytes) {
    // Measured: a compile allocates some 30 times its recipe's size and 3.5 times its bundle's;
    // 48 and 4 leave room. A bundle of 18 MB with a one-line recipe compiles in two thirds of
    // the time, 100k lines in nine tenths. Below kLeast huge pages buy nothing: 10,000 lines
    // (some 50 MB wanted) take as long in small pages, and 1,000 lines take a third less.
    constexpr std::uintmax_t kPerRecipeByte = 48;
    constexpr std::uintmax_t kPerBundleByte = 4;
    constexpr std::uintmax_t kLeast = 64u << 20;
    // A quarter of the memory leaves room for the rest of the system; the reserve is taken in
    // parts, of which there are at most kMaxHeapParts.
    const std::uintmax_t most =
        std::min<std::uintmax_t>({memoryBytes / 4, kMaxHeapParts * kHeapPart, SIZE_MAX / 2});
    // Saturating: past most, any estimate gets most.
    const auto scaled = [most](std::uintmax_t bytes, std::uintmax_t factor) {
        return bytes < most / factor ? bytes * factor : most;
    };
    const std::uintmax_t wanted = std::min(most, scaled(inputs.recipeBytes, kPerRecipeByte) +
                                                     scaled(inputs.bundleBytes, kPerBundleByte));
    // wanted is at most most: a machine whose quarter is below kLeast gets none either.
    if (wanted < kLeast) return 0;
    return static_cast<std::size_t>(wanted);
}

std::uintmax_t BundleBytes(const std::filesystem::path& bundle) {
    namespace fs = std::filesystem;
    // A bundle's files lie at most three levels down (database, table, row). The walk goes no
    // deeper and stops after kMostEntries, so that a wrong folder given as the bundle, say the
    // root of the file system, costs no more than a large bundle before the load refuses it.
    constexpr int kDeepest = 2;
    constexpr std::size_t kMostEntries = 100000;
    std::uintmax_t total = 0;
    std::size_t entries = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(bundle, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end && ++entries <= kMostEntries; it.increment(ec)) {
        if (it.depth() >= kDeepest) it.disable_recursion_pending();
        std::error_code unknown;
        if (!it->is_regular_file(unknown)) continue;
        const std::uintmax_t size = it->file_size(unknown);
        if (!unknown) total += size;
    }
    return total;
}

bool PreferLargePages(const std::filesystem::path& recipe, const std::filesystem::path& bundle) {
#if KVC_HEAP_IN_HUGE_PAGES
    // A preloaded library may be another allocator or a memory tool (valgrind's are preloaded),
    // for which the reserve would be one huge block of its own; such a process is left as is.
    if (const char* preload = std::getenv("LD_PRELOAD"); preload != nullptr && *preload != 0) {
        return false;
    }
    if (TunablesChoosePageSize(std::getenv("GLIBC_TUNABLES"))) return false;
    // With "always" every heap gets huge pages anyway; with "never" none can.
    if (!HugePagesOnRequest(TextOfFile("/sys/kernel/mm/transparent_hugepage/enabled"))) {
        return false;
    }
    // A hypervisor told of free memory takes it back, a 2 MiB block after a second or two,
    // and a huge page the kernel then hands out costs the host's faults over all of it: six
    // times what small pages cost, which come from memory the guest never stopped using.
    if (FreeMemoryGoesBackToHost("/sys/bus/virtio/devices")) return false;
    // Sized only past those checks: the bundle's size takes a walk of its folders.
    std::error_code unknown;
    const std::uintmax_t recipeBytes = std::filesystem::file_size(recipe, unknown);
    if (unknown) return false;
    const auto memoryBytes = static_cast<std::uintmax_t>(sysconf(_SC_PHYS_PAGES)) *
                             static_cast<std::uintmax_t>(sysconf(_SC_PAGESIZE));
    const std::size_t reserve = HeapReserveFor({recipeBytes, BundleBytes(bundle)}, memoryBytes);
    if (reserve == 0) return false;

    // Blocks of the reserve's size, taken from the heap (mapping nothing apart for them), grow
    // the heap by that much now; freed, they stay as free memory of the heap, which the
    // compile's allocations then fill, and which is not given back while the process runs. If
    // the system refuses the growth, what was taken is used as far as it goes. Growth past the
    // reserve gets ordinary pages.
    //
    // malloc gives the top of its heap back once it exceeds a threshold it takes as an int, so
    // a reserve past that is taken in parts, each kept apart from the next by a small block
    // that is never freed: only the last part joins the top.
    constexpr int kDefaultMapCount = 65536;
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    // Every thread allocates from this heap: another thread would get an arena of its own,
    // mapped apart and in small pages.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    std::array<std::pair<void*, std::size_t>, kMaxHeapParts> parts{};
    std::size_t taken = 0;
    for (std::size_t left = reserve; left > 0 && taken < parts.size();) {
        const std::size_t size = std::min<std::size_t>(left, kHeapPart);
        void* part = malloc(size);
        if (part == nullptr) break;
        parts[taken++] = {part, size};
        left -= size;
        if (left > 0 && malloc(1) == nullptr) break;  // the separator, kept for good
    }
    mallopt(M_MMAP_MAX, kDefaultMapCount);
    constexpr uintptr_t kHugePage = 2u << 20;
    for (std::size_t i = 0; i < taken; ++i) {
        const auto [part, size] = parts[i];
        const uintptr_t start =
            (reinterpret_cast<uintptr_t>(part) + kHugePage - 1) & ~(kHugePage - 1);
        // The last part runs on into the heap's free top.
        const uintptr_t end = i + 1 == taken ? reinterpret_cast<uintptr_t>(sbrk(0))
                                             : reinterpret_cast<uintptr_t>(part) + size;
        // Advice only: where it is refused the pages stay small and everything else is the same.
        if (end > start &&
            madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0 &&
            advisedCount < advised.size()) {
            advised[advisedCount++] = {start, end - start};
        }
    }
    for (std::size_t i = 0; i < taken; ++i) free(parts[i].first);
    // malloc fills its heap from the bottom, so the stretch below the first huge page would
    // take the compile's first megabyte or two in small pages, each faulted in on its own. A
    // block that is never freed, and never touched, fills it instead.
    if (taken > 0) {
        constexpr uintptr_t kHeader = 2 * sizeof(std::size_t);
        const auto first = reinterpret_cast<uintptr_t>(parts[0].first);
        const uintptr_t start = (first + kHugePage - 1) & ~(kHugePage - 1);
        if (start - first > 2 * kHeader) {
            mallopt(M_MMAP_MAX, 0);
            headFiller = malloc(start - first - kHeader);
            mallopt(M_MMAP_MAX, kDefaultMapCount);
        }
    }
    return true;
#else
    static_cast<void>(recipe);
    static_cast<void>(bundle);
    return false;
#endif
}

void ReturnFreeHeapMemory() {
#if KVC_HEAP_IN_HUGE_PAGES
    // The huge pages served the phase that is over. Given back in part, they would be filled
    // again by the kernel's background collapsing (which makes a huge page of a stretch with a
    // single small page in use), so the heap keeps small pages from here.
    for (std::size_t i = 0; i < advisedCount; ++i) {
        madvise(reinterpret_cast<void*>(advised[i].first), advised[i].second, MADV_NOHUGEPAGE);
    }
    advisedCount = 0;
#endif
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace kv::kvc
