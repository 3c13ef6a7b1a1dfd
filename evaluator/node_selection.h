// The rules of the sensor selection list, free of any window code: what
// "Add >>" accepts and how the listed IDs become node indexes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "network/keyed_table.h"

namespace evaluator {

enum class AddOutcome { NothingTyped, Added, AlreadySelected, NoSuchNode };

// The typed text without blanks at either end.
std::string TrimmedNodeId(std::string_view typed);

// Appends the trimmed ID to the list unless it is empty, listed already in
// the same letter case, or not a node (looked up ignoring letter case).
AddOutcome AddSelectedNode(std::vector<std::string>& selected, std::string_view typed,
                           const network::KeyedTable& nodes);

// Node indexes of the listed IDs, in list order.
std::vector<std::int32_t> SelectedNodeIndexes(const std::vector<std::string>& selected,
                                              const network::KeyedTable& nodes);


}  // namespace evaluator
