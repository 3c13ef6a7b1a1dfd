// A set of indices 0..size-1 kept as bits, walked in ascending order: a
// walk costs a word per 64 indices and a step per member.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace base {

class IndexBits {
public:
    // Empty, for indices below size.
    void Reset(std::size_t size) {
        words_.assign((size + 63) / 64, 0);
        size_ = size;
        count_ = 0;
    }
    void Clear() {
        std::fill(words_.begin(), words_.end(), 0);
        count_ = 0;
    }
    void Insert(std::size_t i) {
        std::uint64_t& word = words_[i / 64];
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        count_ += (word & bit) == 0;
        word |= bit;
    }
    bool Contains(std::size_t i) const { return (words_[i / 64] >> (i % 64)) & 1; }
    std::size_t Count() const { return count_; }
    std::size_t Size() const { return size_; }

    // Calls visit(i) for every member i, in ascending order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (std::size_t w = 0; w < words_.size(); ++w)
            for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1)
                visit(w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
    }

    std::size_t Bytes() const { return words_.capacity() * sizeof(std::uint64_t); }

private:
    std::vector<std::uint64_t> words_;
    std::size_t size_ = 0, count_ = 0;
};

// Whether ForEachIn walks set's members rather than every index.
inline bool WalksMembers(const IndexBits* set) { return set && set->Count() * 2 < set->Size(); }

// Calls visit(i) in ascending order for every i in [first, last) that set
// holds, or for all of them where set is null or holds at least half its
// indices: a step of the walk over the bits costs more than a visit that
// finds nothing to do, so a plain loop is then the cheaper. A visit to an
// index the set does not hold must therefore change nothing.
template <typename Visit>
void ForEachIn(const IndexBits* set, std::size_t first, std::size_t last, Visit&& visit) {
    if (WalksMembers(set)) {
        set->ForEach([&](std::size_t i) {
            if (i >= first && i < last) visit(i);
        });
        return;
    }
    for (std::size_t i = first; i < last; ++i) visit(i);
}

}  // namespace base
