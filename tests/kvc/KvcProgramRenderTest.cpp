// The program rendered on two threads: the same bytes in the same order as on one, and a
// failure on either thread stops both.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "host/RecipeDrive.h"
#include "tools/kvc/TwoHandedRender.h"

namespace {

using kv::host::ProgramLayout;
using kv::kvc::RenderInTwoHands;

class KvcProgramRender : public ::testing::Test {
protected:
    KvcProgramRender() {
        // Blocks on most lines, some lines empty, and the last block moved past the count.
        std::string text;
        for (int line = 1; line <= 40; ++line) {
            if (line % 7 == 0) {
                text += "\n";
            } else if (line == 12) {
                text += "a = 1; b = 2\n";
            } else {
                text += "f" + std::to_string(line) + "(x, " + std::to_string(line) + ")\n";
            }
        }
        parsed_ = ParseRecipe(text, RecipeEncoding::Utf8);
        EXPECT_TRUE(parsed_.errors.empty());
        for (const auto& block : parsed_.blocks) blocks_.push_back(block.get());
        lines_ = kv::host::BlockLines(blocks_);
        lines_.back() = 45;
    }

    // What the two hands put, each line marked as the encoder leaves it.
    std::string TwoHanded(std::size_t chunkLines) {
        const ProgramLayout layout(blocks_, lines_, kLineCount);
        std::string out;
        RenderInTwoHands(
            layout, Marked, [&out](std::string_view chunk) { out += chunk; }, chunkLines);
        return out;
    }

    static void Marked(std::string_view line, std::string& out) {
        out += '>';
        out += line;
    }

    static constexpr int kLineCount = 40;
    ParsedRecipe parsed_;
    std::vector<ISyntaxTreeNode*> blocks_;
    std::vector<int> lines_;
};

TEST_F(KvcProgramRender, GivesTheProgramOfOneThreadLineForLineWhateverTheChunks) {
    const ProgramLayout layout(blocks_, lines_, kLineCount);
    std::string expected;
    layout.Render(0, layout.LineCount(),
                  [&expected](std::string_view line) { Marked(line, expected); });
    ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 45);
    for (const std::size_t chunkLines : {0u, 1u, 2u, 3u, 7u, 44u, 45u, 46u, 1000u}) {
        EXPECT_EQ(TwoHanded(chunkLines), expected) << chunkLines << " lines a chunk";
    }
}

TEST_F(KvcProgramRender, AFailureOnEitherThreadIsThrownHereAndStopsTheOther) {
    const ProgramLayout layout(blocks_, lines_, kLineCount);
    // The second thread renders the second chunk of two lines, lines 3 and 4.
    const kv::kvc::LineEncoder failsOnLine4 = [](std::string_view line, std::string& out) {
        if (line.starts_with("f4(")) throw std::runtime_error("encoder");
        out += line;
    };
    std::string put;
    EXPECT_THROW(RenderInTwoHands(
                     layout, failsOnLine4, [&put](std::string_view chunk) { put += chunk; }, 2),
                 std::runtime_error);
    EXPECT_EQ(put, "f1(x, 1)\nf2(x, 2)\n");

    // A put that fails leaves the second thread waiting for a turn that never comes.
    int calls = 0;
    EXPECT_THROW(RenderInTwoHands(
                     layout, Marked,
                     [&calls](std::string_view) {
                         if (++calls == 2) throw std::runtime_error("put");
                     },
                     1),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
}

}  // namespace
