#include "base/thread_ranges.h"

#include <atomic>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The cuts start at 0, end at the count, never go back, and part lengths
// differ by at most one; never more parts than items.
TEST(ThreadRanges, EvenCutsCoverTheRangeInNearlyEqualParts) {
    for (std::int64_t count : {0, 1, 2, 7, 100, 1001})
        for (int parts : {1, 2, 3, 8, 200}) {
            const std::vector<std::int64_t> cuts = base::EvenCuts(count, parts);
            ASSERT_GE(cuts.size(), 2u);
            EXPECT_LE(static_cast<std::int64_t>(cuts.size()) - 1, std::max<std::int64_t>(count, 1));
            EXPECT_EQ(cuts.front(), 0);
            EXPECT_EQ(cuts.back(), count);
            std::int64_t shortest = count, longest = 0;
            for (std::size_t p = 1; p < cuts.size(); ++p) {
                ASSERT_GE(cuts[p], cuts[p - 1]);
                shortest = std::min(shortest, cuts[p] - cuts[p - 1]);
                longest = std::max(longest, cuts[p] - cuts[p - 1]);
            }
            EXPECT_LE(longest - shortest, 1) << count << " over " << parts;
        }
}

// Items 0..4 weigh 96, 1, 1, 1 and 1: the heavy item stands alone; too
// little weight for a second thread gives one range.
TEST(ThreadRanges, WeightedCutsFollowTheWeights) {
    const std::vector<std::int64_t> offsets{0, 96, 97, 98, 99, 100};
    EXPECT_EQ(base::WeightedCuts(offsets, 2, 1), (std::vector<std::int64_t>{0, 1, 5}));
    EXPECT_EQ(base::WeightedCuts(offsets, 4, 1000), (std::vector<std::int64_t>{0, 5}));
}

TEST(ThreadRanges, RunRangesRunsEveryPartAndRethrowsAFailure) {
    std::vector<std::atomic<int>> seen(10);
    base::RunRanges(base::EvenCuts(10, 3), [&](int, std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) ++seen[static_cast<std::size_t>(i)];
    });
    for (const auto& count : seen) EXPECT_EQ(count.load(), 1);

    std::atomic<int> ended{0};
    EXPECT_THROW(base::RunRanges(base::EvenCuts(4, 4),
                                 [&](int part, std::int64_t, std::int64_t) {
                                     ++ended;
                                     if (part == 2) throw std::runtime_error("part 2");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(ended.load(), 4);
}

}  // namespace
