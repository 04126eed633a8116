// LargePages: runs the commands that compile a recipe with the heap in 2 MiB pages where the
// system offers them only on request.
//
// A large recipe builds some hundreds of megabytes of small objects, and faulting them in page by
// page costs about a third of a compile on a virtual machine. glibc's malloc asks the kernel for
// transparent huge pages when the tunable glibc.malloc.hugetlb is 1, but reads tunables only from
// the environment at start-up; so kvc sets it and starts itself again, once, before doing
// analysing anything. Output and behaviour are unchanged; only the page size of the heap differs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv::kvc {

// The value GLIBC_TUNABLES must have to get huge pages for the heap, given its current value
// (null when unset); nullopt when nothing is to change because it already says either way.
std::optional<std::string> TunablesWithLargePages(const char* current);

// Whether the kernel gives huge pages to memory that asks for them and to no other, from the
// text of /sys/kernel/mm/transparent_hugepage/enabled ("always [madvise] never").
bool HugePagesOnRequest(std::string_view enabledSetting);

// Whether a recipe of this many bytes builds a heap large enough to repay a second start (a few
// milliseconds); below it the 2 MiB granules would only add to the memory held.
bool WorthLargePages(std::uintmax_t recipeBytes);

// Starts this program again, with argv, with huge pages for its heap when recipe is large
// enough and that has not been done yet. Returns, with nothing changed, wherever that is not so
// or the new start fails.
void PreferLargePages(char** argv, const std::filesystem::path& recipe);

}  // namespace kv::kvc
