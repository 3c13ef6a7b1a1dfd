// Insertion-ordered table from element ID to toolkit index. Keys compare
// without regard to letter case, and each key may be present only once.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace network {

// Two IDs that differ only in letter case met in one table.
class DuplicateIdError : public std::runtime_error {
public:
    DuplicateIdError(const std::string& existing, const std::string& added);
};

class KeyedTable {
public:
    // Throws DuplicateIdError when the key is present already in any letter case.
    void Add(const std::string& id, int index);
    std::optional<int> Find(std::string_view id) const;
    bool Contains(std::string_view id) const { return Find(id).has_value(); }
    std::size_t Count() const { return items_.size(); }
    const std::vector<std::pair<std::string, int>>& Items() const { return items_; }

private:
    static std::string Fold(std::string_view id);
    std::vector<std::pair<std::string, int>> items_;
    std::unordered_map<std::string, std::size_t> positions_;
};

}  // namespace network
