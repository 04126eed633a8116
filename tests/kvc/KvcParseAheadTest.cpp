// The recipe parsed ahead on a thread of its own, and the work that thread takes on after it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/SourceText.h"
#include "tools/kvc/ParseAhead.h"

namespace {

TEST(KvcParseAhead, AThreadDoneBeforeTheHandOverStillTakesTheWork) {
    const kv::host::SourceText source("one.rcp", "time >= 0 => fire(1)\n");
    kv::kvc::ParseAhead parse(source);
    // Long enough for a one-line parse to be over before there is anything to hand over.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::thread::id helper;
    parse.Afterwards([&helper] { helper = std::this_thread::get_id(); });
    const kv::kvc::PreparedRecipe prepared = parse.Take();
    EXPECT_EQ(prepared.blocks.size(), 1u);
    EXPECT_NE(helper, std::thread::id());
    EXPECT_NE(helper, std::this_thread::get_id());
}

TEST(KvcParseAhead, WithNothingHandedOverTheThreadEnds) {
    const kv::host::SourceText source("one.rcp", "time >= 0 => fire(1)\n");
    { kv::kvc::ParseAhead untaken(source); }
    kv::kvc::ParseAhead parse(source);
    EXPECT_EQ(parse.Take().blocks.size(), 1u);
}

}  // namespace
