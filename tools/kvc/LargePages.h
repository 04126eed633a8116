// LargePages: lays out the heap of a large compile in 2 MiB pages where the system gives them
// only on request.
//
// A large recipe builds some hundreds of megabytes of small objects, and faulting them in 4 KiB
// at a time costs a tenth of a compile of 100k lines. So, before anything is read,
// kvc has malloc grow its heap once by about what the compile will need and asks the kernel for
// transparent huge pages over that stretch. Output and behaviour are unchanged; only the page
// size of the memory under them differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kv::kvc {

// Whether the kernel gives huge pages to memory that asks for them and to no other, from the
// text of /sys/kernel/mm/transparent_hugepage/enabled ("always [madvise] never").
bool HugePagesOnRequest(std::string_view enabledSetting);

// Whether the user has chosen the heap's page size through glibc's own tunable
// (glibc.malloc.hugetlb in GLIBC_TUNABLES, null when unset); that choice then stands.
bool TunablesChoosePageSize(const char* tunables);

// Whether a virtio device, from its sysfs "device" and "features" texts, is a memory balloon
// that reports free pages to the hypervisor, which then takes their memory back.
bool ReportsFreePages(std::string_view device, std::string_view features);

// Whether some device under virtioDevices (/sys/bus/virtio/devices) reports free pages.
bool FreeMemoryGoesBackToHost(const std::filesystem::path& virtioDevices);

// The reserve is taken in parts of kHeapPart bytes, so that no free block of it reaches the int
// threshold at which malloc gives memory back; kMaxHeapParts of them bound it.
inline constexpr std::uintmax_t kHeapPart = 1ull << 30;
inline constexpr std::size_t kMaxHeapParts = 64;

// The sizes a compile's allocations follow: its recipe's and its bundle's (all the files in it).
struct CompileInputSizes {
    std::uintmax_t recipeBytes = 0;
    std::uintmax_t bundleBytes = 0;
};

// The heap to set aside for a compile of inputs on a machine with memoryBytes of memory, or 0
// when the compile is too small for huge pages to repay their 2 MiB granules. About what the
// compile allocates, within bounds: address space set aside but never touched costs no memory,
// yet a system may refuse to promise more than it has.
std::size_t HeapReserveFor(CompileInputSizes inputs, std::uintmax_t memoryBytes);

// The bytes of the regular files in bundle, down to the depth a bundle's tables lie at, as far
// as they can be listed.
std::uintmax_t BundleBytes(const std::filesystem::path& bundle);

// Sets aside the heap a compile of recipe against bundle will need, in huge pages, when it is
// large enough and the kernel gives them on request. Does nothing elsewhere, when recipe cannot
// be sized, when a library is preloaded (another allocator, or a memory tool such as valgrind), or
// when GLIBC_TUNABLES sets glibc.malloc.hugetlb (=0 turns huge pages off, =1 lets glibc do it),
// or when free memory goes back to a hypervisor.
// Returns whether it asked for huge pages, which memory kept apart from malloc's heap may then
// ask for too.
bool PreferLargePages(const std::filesystem::path& recipe, const std::filesystem::path& bundle);

// Gives the system back the memory free inside malloc's heap, where the C library can (glibc):
// what a phase that is over left there. Most of what a compile builds afterwards lives outside
// that heap (see SmallObjectHeap), so it would otherwise stay unused to the end. The heap keeps
// small pages from then on.
void ReturnFreeHeapMemory();

}  // namespace kv::kvc
