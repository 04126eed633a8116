// The per-tree node set, on both sides of the count where its list gives way to a hash index.
#include <gtest/gtest.h>

#include <vector>

#include "analyzer/FewNodes.h"

namespace {

// Stand-ins for nodes: only their addresses are used.
ISyntaxTreeNode* Node(std::vector<char>& storage, int i) {
    return reinterpret_cast<ISyntaxTreeNode*>(&storage[static_cast<std::size_t>(i)]);
}

TEST(FewNodes, TellsNodesApartInTheOrderTheyCameOnEitherSideOfTheIndex) {
    std::vector<char> storage(100);
    FewNodes<int> nodes;
    for (int round = 0; round < 2; ++round) {
        // Each count goes once through the list alone and once past the index's start.
        for (int count : {3, 40}) {
            nodes.Clear();
            for (int i = 0; i < count; ++i) {
                auto [value, made] = nodes.Insert(Node(storage, i));
                ASSERT_TRUE(made) << i;
                *value = i * 10;
            }
            for (int i = 0; i < count; ++i) {
                auto [value, made] = nodes.Insert(Node(storage, i));
                EXPECT_FALSE(made) << i;
                EXPECT_EQ(*value, i * 10);
                ASSERT_NE(nodes.Find(Node(storage, i)), nullptr);
            }
            EXPECT_EQ(nodes.Find(Node(storage, count)), nullptr);
            ASSERT_EQ(nodes.Entries().size(), static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                EXPECT_EQ(nodes.Entries()[static_cast<std::size_t>(i)].first, Node(storage, i));
            }
        }
    }
    // Cleared after a large tree, the set holds nothing of it.
    nodes.Clear();
    EXPECT_EQ(nodes.Find(Node(storage, 30)), nullptr);
    EXPECT_TRUE(nodes.Insert(Node(storage, 30)).second);
}

}  // namespace
