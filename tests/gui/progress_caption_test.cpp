#include <gtest/gtest.h>

#include "builder/window/progress_caption.h"

using namespace builder::window;

TEST(ProgressCaption, ShowsEventsAndRemainingMinutes) {
    EXPECT_EQ(ProgressCaption(7, 300, 12.5f), "7/300 - 12.5 minutes remaining");
    EXPECT_EQ(ProgressCaption(1, 300, 0.0f), "1/300 - 0 minutes remaining");
    // 90 s for 7 events: 12.857.. s each, 293 left = 62.786.. minutes, shown as 62.79.
    EXPECT_FLOAT_EQ(RemainingMinutes(90, 7, 300), 62.79f);
    EXPECT_EQ(ProgressCaption(7, 300, RemainingMinutes(90, 7, 300)), "7/300 - 62.79 minutes remaining");
    EXPECT_EQ(RemainingMinutes(0, 1, 300), 0.0f);
}

TEST(ProgressCaption, FollowsTheBuildsProgressInWholeElapsedSeconds) {
    builder::BuildProgress progress;
    progress.total = 300;
    EXPECT_EQ(ProgressCaption(progress), "0/300 - 0 minutes remaining");
    progress.done = 7;
    progress.elapsedSeconds = 90.9;  // counted in whole seconds, as the caption always has
    EXPECT_EQ(ProgressCaption(progress), "7/300 - 62.79 minutes remaining");
}
