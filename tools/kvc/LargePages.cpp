// LargePages: a heap grown once and advised to use transparent huge pages.
#include "tools/kvc/LargePages.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define KVC_HEAP_IN_HUGE_PAGES 1
#else
#define KVC_HEAP_IN_HUGE_PAGES 0
#endif

namespace kv::kvc {

bool HugePagesOnRequest(std::string_view enabledSetting) {
    return enabledSetting.find("[madvise]") != std::string_view::npos;
}

std::size_t HeapReserveFor(std::uintmax_t recipeBytes) {
    // Measured: at 10,000 lines huge pages save a quarter of the time, at 1,000 they only add
    // to the memory held. A compile allocates some 30 times its recipe's size, tables included.
    constexpr std::uintmax_t kSmallest = 256 * 1024;
    constexpr std::uintmax_t kLeast = 64u << 20;
    constexpr std::uintmax_t kMost = 1u << 30;  // malloc takes the pad as an int
    if (recipeBytes < kSmallest) return 0;
    const std::uintmax_t wanted = recipeBytes < kMost / 48 ? recipeBytes * 48 : kMost;
    return static_cast<std::size_t>(std::clamp(wanted, kLeast, kMost));
}

void PreferLargePages(const std::filesystem::path& recipe) {
#if KVC_HEAP_IN_HUGE_PAGES
    std::error_code unknown;
    const std::size_t reserve = HeapReserveFor(std::filesystem::file_size(recipe, unknown));
    if (unknown || reserve == 0) return;
    // With "always" every heap gets huge pages anyway; with "never" none can.
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string enabled((std::istreambuf_iterator<char>(setting)),
                              std::istreambuf_iterator<char>());
    if (!HugePagesOnRequest(enabled)) return;

    // Every growth of the heap from here adds the reserve beyond what it needs; one block larger
    // than the heap's free top, taken from the heap rather than mapped apart, makes the first
    // growth happen now. Later growths, past the reserve, get ordinary pages.
    constexpr int kDefaultMapThreshold = 128 * 1024;
    if (mallopt(M_TOP_PAD, static_cast<int>(reserve)) == 0) return;
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    void* probe = malloc(mallinfo2().keepcost + (1 << 20));
    mallopt(M_MMAP_THRESHOLD, kDefaultMapThreshold);
    if (probe == nullptr) return;
    constexpr uintptr_t kHugePage = 2u << 20;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(probe) + kHugePage - 1) & ~(kHugePage - 1);
    free(probe);
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
    // Advice only: where it is refused the pages stay small and everything else is the same.
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    static_cast<void>(recipe);
#endif
}

}  // namespace kv::kvc
