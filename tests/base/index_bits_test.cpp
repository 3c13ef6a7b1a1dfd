#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <set>
#include <vector>

#include "base/index_bits.h"

// Members at word edges and at random, inserted out of order and twice,
// come back once each in ascending order and are counted once, and Clear
// empties the set.
TEST(IndexBits, WalksItsMembersInAscendingOrder) {
    constexpr std::size_t size = 1000;
    std::set<std::size_t> expected{0, 63, 64, 127, 128, 999};
    std::mt19937 random(5);
    for (int i = 0; i < 200; ++i) expected.insert(random() % size);
    base::IndexBits bits;
    bits.Reset(size);
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) bits.Insert(*it);
    bits.Insert(64);
    std::vector<std::size_t> walked;
    bits.ForEach([&](std::size_t i) { walked.push_back(i); });
    EXPECT_EQ(walked, std::vector<std::size_t>(expected.begin(), expected.end()));
    for (std::size_t i = 0; i < size; ++i) EXPECT_EQ(bits.Contains(i), expected.count(i) == 1) << i;
    EXPECT_EQ(bits.Count(), expected.size());

    // A sparse set is walked member by member within the range; a dense one,
    // or none, as the whole range.
    walked.clear();
    base::ForEachIn(&bits, 64, 999, [&](std::size_t i) { walked.push_back(i); });
    EXPECT_EQ(walked, std::vector<std::size_t>(expected.lower_bound(64), expected.lower_bound(999)));
    for (std::size_t i = 0; i < size; ++i)
        if (i % 10 != 5) bits.Insert(i);
    walked.clear();
    base::ForEachIn(&bits, 1, size, [&](std::size_t i) { walked.push_back(i); });
    EXPECT_EQ(walked.size(), size - 1);
    EXPECT_EQ(walked.front(), 1u);
    bits.Clear();
    EXPECT_EQ(bits.Count(), 0u);
    walked.clear();
    bits.ForEach([&](std::size_t i) { walked.push_back(i); });
    EXPECT_TRUE(walked.empty());
}
