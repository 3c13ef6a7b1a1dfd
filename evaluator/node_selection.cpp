#include "evaluator/node_selection.h"

#include <algorithm>
#include <stdexcept>

#include "base/user_text.h"

namespace evaluator {

std::string TrimmedNodeId(std::string_view typed) {
    const char* blanks = " \t";
    std::size_t first = typed.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = typed.find_last_not_of(blanks);
    return std::string(typed.substr(first, last - first + 1));
}

AddOutcome AddSelectedNode(std::vector<std::string>& selected, std::string_view typed,
                           const network::KeyedTable& nodes) {
    std::string id = TrimmedNodeId(typed);
    if (id.empty()) return AddOutcome::NothingTyped;
    if (std::find(selected.begin(), selected.end(), id) != selected.end()) return AddOutcome::AlreadySelected;
    if (!nodes.Contains(id)) return AddOutcome::NoSuchNode;
    selected.push_back(id);
    return AddOutcome::Added;
}

std::vector<std::int32_t> SelectedNodeIndexes(const std::vector<std::string>& selected,
                                              const network::KeyedTable& nodes) {
    std::vector<std::int32_t> indexes;
    indexes.reserve(selected.size());
    for (const std::string& id : selected) {
        auto index = nodes.Find(id);
        if (!index) throw std::invalid_argument("\"" + base::ShownText(id) + "\" is not a node of the network");
        indexes.push_back(*index);
    }
    return indexes;
}

}  // namespace evaluator
