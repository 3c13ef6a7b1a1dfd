#include "network/keyed_table.h"

#include "base/user_text.h"

namespace network {

DuplicateIdError::DuplicateIdError(const std::string& existing, const std::string& added)
    : std::runtime_error("The network has two elements of one kind whose IDs differ only in letter case: \"" +
                         base::ShownText(existing) + "\" and \"" + base::ShownText(added) + "\"") {}

std::string KeyedTable::Fold(std::string_view id) {
    std::string key(id);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

void KeyedTable::Add(const std::string& id, int index) {
    auto [it, inserted] = positions_.emplace(Fold(id), items_.size());
    if (!inserted) throw DuplicateIdError(items_[it->second].first, id);
    items_.emplace_back(id, index);
}

std::optional<int> KeyedTable::Find(std::string_view id) const {
    auto it = positions_.find(Fold(id));
    if (it == positions_.end()) return std::nullopt;
    return items_[it->second].second;
}

}  // namespace network
