#include <gtest/gtest.h>

#include "evaluator/node_selection.h"
#include "support/test_support.h"

using namespace evaluator;

namespace {

network::KeyedTable Nodes() {
    network::KeyedTable nodes;
    nodes.Add("J10", 1);
    nodes.Add("R1", 2);
    return nodes;
}

}  // namespace

TEST(NodeSelection, AddsTrimmedIdsOnceInTheirTypedCase) {
    network::KeyedTable nodes = Nodes();
    std::vector<std::string> selected;
    EXPECT_EQ(AddSelectedNode(selected, "  J10\t ", nodes), AddOutcome::Added);
    EXPECT_EQ(AddSelectedNode(selected, "J10", nodes), AddOutcome::AlreadySelected);
    EXPECT_EQ(AddSelectedNode(selected, "j10", nodes), AddOutcome::Added);
    EXPECT_EQ(AddSelectedNode(selected, "   ", nodes), AddOutcome::NothingTyped);
    EXPECT_EQ(AddSelectedNode(selected, "J11", nodes), AddOutcome::NoSuchNode);
    EXPECT_EQ(AddSelectedNode(selected, "r1", nodes), AddOutcome::Added);
    EXPECT_EQ(selected, (std::vector<std::string>{"J10", "j10", "r1"}));
    EXPECT_EQ(SelectedNodeIndexes(selected, nodes), (std::vector<std::int32_t>{1, 1, 2}));
}
