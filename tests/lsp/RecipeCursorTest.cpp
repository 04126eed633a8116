// What the word at a place of a recipe line is to the recipe.
#include <gtest/gtest.h>

#include <string>

#include "tools/kvc/lsp/RecipeCursor.h"

namespace {

using kv::lsp::Cursor;
using kv::lsp::CursorRole;
using kv::lsp::FindCursor;

const std::string kLine = "pot.temp >= 160 => task_t1 = 2; add(鸡块, 0.5kg); stir(#speed) // x";

Cursor At(const std::string& line, const std::string& marker, std::size_t into = 0) {
    return FindCursor(line, line.find(marker) + into);
}

TEST(RecipeCursor, TellsNamesOnTheLeftCallsArgumentsReferencesAndComments) {
    const Cursor left = At(kLine, "pot.temp", 3);
    EXPECT_EQ(left.role, CursorRole::LeftName);
    EXPECT_EQ(left.word, "pot.temp");
    EXPECT_TRUE(left.mayBeCondition);
    EXPECT_FALSE(left.mayBeAction);

    const Cursor marker = At(kLine, "task_t1");
    EXPECT_EQ(marker.role, CursorRole::LeftName);
    EXPECT_FALSE(marker.mayBeCondition);
    EXPECT_TRUE(marker.mayBeAction);

    EXPECT_EQ(At(kLine, "2;").role, CursorRole::Operand);
    EXPECT_EQ(At(kLine, "2;").leftName, "task_t1");

    const Cursor call = At(kLine, "add", 3);
    EXPECT_EQ(call.role, CursorRole::CallName);
    EXPECT_EQ(call.word, "add");

    const Cursor second = At(kLine, "0.5kg", 2);
    EXPECT_EQ(second.role, CursorRole::Argument);
    EXPECT_EQ(second.call, "add");
    EXPECT_EQ(second.argument, 1u);
    EXPECT_EQ(second.word, "0.5kg");
    EXPECT_EQ(second.start, kLine.find("0.5kg"));
    EXPECT_EQ(second.end, kLine.find("0.5kg") + 5);
    EXPECT_EQ(At(kLine, "鸡块").argument, 0u);

    const Cursor reference = At(kLine, "#speed", 1);
    EXPECT_EQ(reference.role, CursorRole::Reference);
    EXPECT_EQ(reference.word, "speed");
    EXPECT_EQ(reference.call, "stir");
    EXPECT_EQ(reference.start, kLine.find('#'));

    EXPECT_EQ(At(kLine, "// x", 3).role, CursorRole::None);
    EXPECT_EQ(At(kLine, ">=", 1).start, At(kLine, ">=", 1).end);
}

TEST(RecipeCursor, ReadsALineBeingTyped) {
    // Right after "(": the first argument, no word yet.
    const Cursor open = FindCursor("heat(", 5);
    EXPECT_EQ(open.role, CursorRole::Argument);
    EXPECT_EQ(open.call, "heat");
    EXPECT_EQ(open.start, 5u);
    EXPECT_EQ(open.end, 5u);
    // Nested parentheses inside an argument belong to it; the comma after them to the call.
    const Cursor nested = FindCursor("mix((1+2), 3k", 13);
    EXPECT_EQ(nested.call, "mix");
    EXPECT_EQ(nested.argument, 1u);
    EXPECT_EQ(nested.word, "3k");
    // An empty reference after "#".
    const Cursor hash = FindCursor("stir(#", 6);
    EXPECT_EQ(hash.role, CursorRole::Reference);
    EXPECT_EQ(hash.word, "");
    // A new statement after ";" on a line without an arrow may only be an action.
    const Cursor next = FindCursor("task_t1 = 1; he", 15);
    EXPECT_EQ(next.role, CursorRole::LeftName);
    EXPECT_FALSE(next.mayBeCondition);
    EXPECT_TRUE(next.mayBeAction);
    // Quoted text is nobody's word.
    EXPECT_EQ(FindCursor("say(\"a b\")", 6).role, CursorRole::None);
}

}  // namespace
