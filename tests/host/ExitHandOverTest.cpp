// Tests of the hand-over that leaves a finished command's structures to the process exit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/ExitHandOver.h"

namespace {

using kv::host::ExitHandOver;

// Notes its name in a shared list when destroyed.
struct Noted {
    Noted(std::vector<std::string>& destroyed, std::string noted)
        : log(destroyed), name(std::move(noted)) {}
    ~Noted() { log.push_back(name); }
    std::vector<std::string>& log;
    std::string name;
};

TEST(ExitHandOver, KeepsObjectsUsableAndDestroysThemLastKeptFirst) {
    std::vector<std::string> destroyed;
    {
        ExitHandOver remains;
        Noted& first = remains.Keep(std::make_unique<Noted>(destroyed, "first"));
        Noted& second = remains.Make<Noted>(destroyed, "second");
        remains.Make<std::vector<int>>(3, 7);
        EXPECT_EQ(first.name, "first");
        EXPECT_EQ(second.name, "second");
        EXPECT_TRUE(destroyed.empty());
    }
    EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "first"}));
}

TEST(ExitHandOver, AbandoningDestroysNothingUnlessTheBuildChecksForLeaks) {
    std::vector<std::string> destroyed;
    auto remains = std::make_unique<ExitHandOver>();
    remains->Make<Noted>(destroyed, "kept");
    ExitHandOver::Abandon(std::move(remains));
    if (kv::host::kDestroyBeforeExit) {
        EXPECT_EQ(destroyed, (std::vector<std::string>{"kept"}));
    } else {
        EXPECT_TRUE(destroyed.empty());  // one small object is left to this test's exit
    }
}

}  // namespace
