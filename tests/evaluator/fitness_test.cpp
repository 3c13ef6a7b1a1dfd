#include <gtest/gtest.h>

#include <cmath>

#include "evaluator/fitness.h"
#include "matrix_text.h"

using namespace evaluator;
using matrix_testing::SetBuilder;

TEST(EvaluateSensorSet, ReproducesTheWorkedExample) {
    SetBuilder b(1, 4);
    b.Detects(1, 1, 10.0f, 100.0f, 7.0f);
    b.Detects(1, 3, 20.0f, 300.0f, 7.0f);
    const FitnessResult r = EvaluateSensorSet(b.Set(), {1});
    EXPECT_EQ(r.nDetected, 2);
    EXPECT_EQ(r.Z[4], 0.5f);
    EXPECT_EQ(r.Z[1], 15.0f);
    EXPECT_EQ(r.SD[1], 5.0f);  // population form, not 7.07
    EXPECT_EQ(r.Z[2], 200.0f);
    EXPECT_EQ(r.SD[2], 100.0f);
    EXPECT_EQ(r.Z[3], 7.0f);
    EXPECT_EQ(r.SD[3], 0.0f);
    EXPECT_EQ(r.SD[4], 0.0f);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(r.zAvailable[k]) << k;
}

TEST(EvaluateSensorSet, TakesEachEventsBestNodeAndSkipsMissingValues) {
    SetBuilder b(3, 2);
    b.Detects(1, 1, 30.0f, 5.0f, 50.0f);  // node 2 does not detect event 1
    b.Detects(2, 2, 40.0f, 8.0f, 80.0f);
    b.Detects(3, 2, 20.0f, -1.0f, 60.0f);  // no Z2 value: takes no part
    const matrix::MatrixSet set = b.Set();
    const FitnessResult r = EvaluateSensorSet(set, {1, 2, 3});
    EXPECT_EQ(r.nDetected, 2);
    EXPECT_EQ(r.Z[4], 1.0f);
    EXPECT_EQ(r.Z[1], 25.0f);  // 30 and min(40, 20)
    EXPECT_EQ(r.Z[2], 6.5f);   // 5 and 8
    EXPECT_EQ(r.Z[3], 55.0f);  // 50 and min(80, 60)

    // Listing a node twice changes nothing; other selections keep their counts.
    const FitnessResult twice = EvaluateSensorSet(set, {1, 2, 3, 1, 3});
    EXPECT_EQ(twice.Z, r.Z);
    EXPECT_EQ(twice.SD, r.SD);
    const FitnessResult one = EvaluateSensorSet(set, {2});
    EXPECT_EQ(one.nDetected, 1);
    EXPECT_EQ(one.Z[4], 0.5f);
    EXPECT_EQ(one.Z[1], 40.0f);
}

TEST(EvaluateSensorSet, SumsInSinglePrecision) {
    // 2^24 + 1 is not a float: the running sum stays at 2^24.
    SetBuilder b(1, 2);
    b.Detects(1, 1, 16777216.0f, 1.0f, 1.0f);
    b.Detects(1, 2, 1.0f, 1.0f, 1.0f);
    const FitnessResult r = EvaluateSensorSet(b.Set(), {1});
    EXPECT_EQ(r.Z[1], 8388608.0f);
    EXPECT_EQ(r.SD[1], static_cast<float>(std::sqrt((std::pow(16777216.0 - 8388608.0, 2) +
                                                     std::pow(1.0 - 8388608.0, 2)) / 2)));
}

// A detected event for which no selected node has a value (matrices that do
// not belong together) never turns the internal start value into a result.
TEST(EvaluateSensorSet, AnEventWithoutValuesIsNotAvailableWithTheReason) {
    SetBuilder b(1, 1);
    b.Detects(1, 1, 5.0f, -1.0f, 3.0f);
    const FitnessResult r = EvaluateSensorSet(b.Set(), {1});
    EXPECT_FALSE(r.zAvailable[2]);
    EXPECT_EQ(r.Z[2], 0.0f);
    EXPECT_NE(r.whyNotAvailable[2].find("event 1"), std::string::npos) << r.whyNotAvailable[2];
    EXPECT_TRUE(r.zAvailable[1]);
    EXPECT_TRUE(r.zAvailable[3]);
}

TEST(EvaluateSensorSet, ClearsTheFlagsOfWhatCannotBeComputed) {
    // No events: nothing can be computed.
    const FitnessResult none = EvaluateSensorSet(SetBuilder(2, 0).Set(), {1});
    for (int k = 1; k <= 4; ++k) EXPECT_FALSE(none.zAvailable[k]) << k;

    // No detected event: Z4 is a real 0 with its counts, the means are not.
    SetBuilder b(2, 3);
    const FitnessResult missed = EvaluateSensorSet(b.Set(), {1, 2});
    EXPECT_TRUE(missed.zAvailable[4]);
    EXPECT_EQ(missed.Z[4], 0.0f);
    EXPECT_EQ(missed.nDetected, 0);
    EXPECT_EQ(missed.nEvents, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_FALSE(missed.zAvailable[k]) << k;
        EXPECT_FALSE(missed.whyNotAvailable[k].empty()) << k;
    }

    // A set without one matrix: that objective only.
    b.Detects(1, 2, 5.0f, 6.0f, 7.0f);
    const FitnessResult noZ2 = EvaluateSensorSet(SetBuilder(b).WithoutZ2().Set(), {1});
    EXPECT_FALSE(noZ2.zAvailable[2]);
    EXPECT_TRUE(noZ2.zAvailable[1]);
    EXPECT_TRUE(noZ2.zAvailable[3]);
    EXPECT_TRUE(noZ2.zAvailable[4]);

    // Sums beyond the single-precision range.
    b.Detects(1, 1, -3e38f, 6.0f, 7.0f);
    b.Detects(1, 3, -3e38f, 6.0f, 7.0f);
    const FitnessResult huge = EvaluateSensorSet(b.Set(), {1});
    EXPECT_FALSE(huge.zAvailable[1]);
    EXPECT_TRUE(huge.zAvailable[2]);
}

TEST(EvaluateSensorSet, RefusesNodesOutsideTheMatrices) {
    const matrix::MatrixSet set = SetBuilder(2, 1).Set();
    EXPECT_THROW(EvaluateSensorSet(set, {3}), std::out_of_range);
    EXPECT_THROW(EvaluateSensorSet(set, {0}), std::out_of_range);
}

// Two sets held at once, one sensor set evaluated on each.
TEST(EvaluateSensorSet, OneSensorSetOnTwoMatrixSets) {
    SetBuilder design(2, 2), test(2, 3);
    design.Detects(2, 1, 10.0f, 1.0f, 1.0f);
    test.Detects(2, 3, 30.0f, 1.0f, 1.0f);
    test.Detects(2, 2, 50.0f, 1.0f, 1.0f);
    const matrix::MatrixSet a = design.Set(), b = test.Set();
    const FitnessResult onDesign = EvaluateSensorSet(a, {2});
    const FitnessResult onTest = EvaluateSensorSet(b, {2});
    EXPECT_EQ(onDesign.Z[4], 0.5f);
    EXPECT_EQ(onDesign.Z[1], 10.0f);
    EXPECT_FLOAT_EQ(onTest.Z[4], 2.0f / 3.0f);
    EXPECT_EQ(onTest.Z[1], 40.0f);
}

#include "evaluator/node_figures.h"

TEST(NodeFigures, ShareAndMeanTimeOfEachNodeAloneWhateverTheThreads) {
    SetBuilder b(3, 5);
    b.Detects(1, 1, 10.0f, 1.0f, 1.0f);
    b.Detects(1, 4, 30.0f, 1.0f, 1.0f);
    b.Detects(2, 5, 7.0f, 1.0f, 1.0f);
    const matrix::MatrixSet set = b.Set();
    for (int threads : {1, 2, 7}) {
        const NodeFigures figures = ComputeNodeFigures(set, threads);
        EXPECT_DOUBLE_EQ(figures.detectedShare[0], 0.4) << threads;
        EXPECT_DOUBLE_EQ(figures.meanMinutesToDetection[0], 20.0) << threads;
        EXPECT_DOUBLE_EQ(figures.detectedShare[1], 0.2) << threads;
        EXPECT_DOUBLE_EQ(figures.meanMinutesToDetection[1], 7.0) << threads;
        EXPECT_EQ(figures.detectedShare[2], 0.0) << threads;
        EXPECT_TRUE(std::isnan(figures.meanMinutesToDetection[2])) << threads;
    }
}
