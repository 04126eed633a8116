// When kvc sets aside a heap in huge pages, and how much.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/kvc/LargePages.h"

namespace {

TEST(KvcLargePages, OnlyWhereHugePagesComeOnRequest) {
    EXPECT_TRUE(kv::kvc::HugePagesOnRequest("always [madvise] never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("[always] madvise never\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest("always madvise [never]\n"));
    EXPECT_FALSE(kv::kvc::HugePagesOnRequest(""));
}

TEST(KvcLargePages, AChoiceMadeThroughGlibcsTunableStands) {
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize(nullptr));
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize(""));
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize("glibc.malloc.arena_max=2"));
    // A longer name that merely starts like it is another tunable.
    EXPECT_FALSE(kv::kvc::TunablesChoosePageSize("glibc.malloc.hugetlbx=1"));
    EXPECT_TRUE(kv::kvc::TunablesChoosePageSize("glibc.malloc.hugetlb=0"));
    EXPECT_TRUE(kv::kvc::TunablesChoosePageSize("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"));
}

TEST(KvcLargePages, NotWhereFreeMemoryGoesBackToTheHypervisor) {
    using kv::kvc::ReportsFreePages;
    // Bit 5 of a balloon's features is free page reporting; the texts end in a newline.
    EXPECT_TRUE(ReportsFreePages("0x0005\n", "0110010100000000\n"));
    EXPECT_FALSE(ReportsFreePages("0x0005\n", "0110000100000000\n"));
    EXPECT_FALSE(ReportsFreePages("0x0005\n", "01100\n"));
    EXPECT_FALSE(ReportsFreePages("0x0001\n", "0110010100000000\n"));
    EXPECT_FALSE(ReportsFreePages("0x00051\n", "0110010100000000\n"));
    EXPECT_FALSE(ReportsFreePages("", ""));

    namespace fs = std::filesystem;
    const fs::path devices = fs::path(::testing::TempDir()) / "kvc-virtio-devices";
    fs::remove_all(devices);
    const auto add = [&devices](const char* name, const char* device, const char* features) {
        fs::create_directories(devices / name);
        std::ofstream(devices / name / "device") << device;
        std::ofstream(devices / name / "features") << features;
    };
    add("virtio0", "0x0002\n", "0010011000000000\n");
    EXPECT_FALSE(kv::kvc::FreeMemoryGoesBackToHost(devices));
    add("virtio1", "0x0005\n", "0110010100000000\n");
    EXPECT_TRUE(kv::kvc::FreeMemoryGoesBackToHost(devices));
    EXPECT_FALSE(kv::kvc::FreeMemoryGoesBackToHost(devices / "missing"));
    fs::remove_all(devices);
}

TEST(KvcLargePages, TheReserveGrowsWithTheInputsWithinBounds) {
    using kv::kvc::HeapReserveFor;
    constexpr std::size_t kMiB = 1 << 20;
    constexpr std::size_t kKiB = 1 << 10;
    constexpr std::uintmax_t kMachine = 24ull << 30;
    EXPECT_EQ(HeapReserveFor({0, 0}, kMachine), 0u);
    // 10k lines (a recipe of 880 KB, a bundle of 1.9 MB) keep small pages.
    EXPECT_EQ(HeapReserveFor({880 * kKiB, 1900 * kKiB}, kMachine), 0u);
    EXPECT_EQ(HeapReserveFor({8 * kMiB, 0}, kMachine), 384 * kMiB);
    // A large bundle with a small recipe, and two inputs each too small on its own.
    EXPECT_EQ(HeapReserveFor({0, 16 * kMiB - 1}, kMachine), 0u);
    EXPECT_EQ(HeapReserveFor({0, 16 * kMiB}, kMachine), 64 * kMiB);
    EXPECT_EQ(HeapReserveFor({1 * kKiB, 32 * kMiB}, kMachine), 128 * kMiB + 48 * kKiB);
    EXPECT_EQ(HeapReserveFor({kMiB, 4 * kMiB}, kMachine), 64 * kMiB);
    // Past malloc's int threshold, in parts; a quarter of the machine's memory at most, and in
    // a 32-bit process half its address space.
    const auto fits = [](std::uintmax_t bytes) {
        return static_cast<std::size_t>(std::min<std::uintmax_t>(bytes, SIZE_MAX / 2));
    };
    constexpr std::uintmax_t kWideMiB = kMiB;
    EXPECT_EQ(HeapReserveFor({100 * kMiB, 0}, kMachine), fits(4800 * kWideMiB));
    EXPECT_EQ(HeapReserveFor({UINTMAX_MAX, 0}, kMachine), fits(kMachine / 4));
    EXPECT_EQ(HeapReserveFor({UINTMAX_MAX, UINTMAX_MAX}, kMachine), fits(kMachine / 4));
    EXPECT_EQ(HeapReserveFor({100 * kMiB, 0}, 1024 * kMiB), 256 * kMiB);
    EXPECT_EQ(HeapReserveFor({UINTMAX_MAX, 0}, UINTMAX_MAX),
              fits(std::uintmax_t{kv::kvc::kMaxHeapParts} * kv::kvc::kHeapPart));
    // A machine whose quarter is below the least reserve gets none.
    EXPECT_EQ(HeapReserveFor({100 * kMiB, 0}, 200 * kMiB), 0u);
}

TEST(KvcLargePages, ABundleCountsItsFilesDownToItsRows) {
    namespace fs = std::filesystem;
    const fs::path bundle = fs::path(::testing::TempDir()) / "kvc-large-pages-bundle";
    fs::remove_all(bundle);
    fs::create_directories(bundle / "tables" / "logic");
    std::ofstream(bundle / "a.json") << std::string(100, 'a');
    std::ofstream(bundle / "tables" / "logic" / "b.json") << std::string(23, 'b');
    // Deeper than any table lies: not counted.
    fs::create_directories(bundle / "tables" / "logic" / "deeper");
    std::ofstream(bundle / "tables" / "logic" / "deeper" / "c.json") << std::string(7, 'c');
    EXPECT_EQ(kv::kvc::BundleBytes(bundle), 123u);
    EXPECT_EQ(kv::kvc::BundleBytes(bundle / "missing"), 0u);
    fs::remove_all(bundle);
}

}  // namespace
