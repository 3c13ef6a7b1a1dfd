#include <gtest/gtest.h>

#include <cmath>

#include "evaluator/fitness.h"

using namespace fitness;

namespace {

constexpr float kNever = 11520.0f;  // no-detection time of a 96-hour build

// Matrices of nNodes nodes and nEvents events in which no node detects
// anything: flags 0, Z1 the no-detection time, Z2 and Z3 the mark -1.
void Undetected(std::int32_t nNodes, std::int32_t nEvents) {
    Z4Matrix.Reset(nNodes, nEvents);
    Z1Matrix.Reset(nNodes, nEvents);
    Z2Matrix.Reset(nNodes, nEvents);
    Z3Matrix.Reset(nNodes, nEvents);
    MatrixFileFound = {false, true, true, true, true};
    for (std::int32_t e = 1; e <= nEvents; ++e)
        for (std::int32_t n = 1; n <= nNodes; ++n) {
            Z1Matrix(n, e) = kNever;
            Z2Matrix(n, e) = -1.0f;
            Z3Matrix(n, e) = -1.0f;
        }
}

void Detects(std::int32_t node, std::int32_t event, float z1, float z2, float z3) {
    Z4Matrix(node, event) = 1;
    Z1Matrix(node, event) = z1;
    Z2Matrix(node, event) = z2;
    Z3Matrix(node, event) = z3;
}

}  // namespace

TEST(EvaluateSensorSet, ReproducesTheWorkedExample) {
    Undetected(1, 4);
    Detects(1, 1, 10.0f, 100.0f, 7.0f);
    Detects(1, 3, 20.0f, 300.0f, 7.0f);
    std::array<float, 5> Z{}, SD{};
    std::array<bool, 5> zAvailable{};
    std::int32_t nDetected = -1;
    EvaluateSensorSet({1}, Z, SD, 4, nDetected, zAvailable);
    EXPECT_EQ(nDetected, 2);
    EXPECT_EQ(Z[4], 0.5f);
    EXPECT_EQ(Z[1], 15.0f);
    EXPECT_EQ(SD[1], 5.0f);  // population form, not 7.07
    EXPECT_EQ(Z[2], 200.0f);
    EXPECT_EQ(SD[2], 100.0f);
    EXPECT_EQ(Z[3], 7.0f);
    EXPECT_EQ(SD[3], 0.0f);
    EXPECT_EQ(SD[4], 0.0f);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(zAvailable[k]) << k;
}

TEST(EvaluateSensorSet, TakesEachEventsBestNodeAndSkipsMissingValues) {
    Undetected(3, 2);
    Detects(1, 1, 30.0f, 5.0f, 50.0f);  // node 2 does not detect event 1
    Detects(2, 2, 40.0f, 8.0f, 80.0f);
    Detects(3, 2, 20.0f, 9.0f, 60.0f);
    Z2Matrix(3, 2) = -1.0f;  // no value: takes no part
    FitnessResult r = CalculateFitness({1, 2, 3}, 2);
    EXPECT_EQ(r.nDetected, 2);
    EXPECT_EQ(r.Z[4], 1.0f);
    EXPECT_EQ(r.Z[1], 25.0f);  // 30 and min(40, 20)
    EXPECT_EQ(r.Z[2], 6.5f);   // 5 and 8
    EXPECT_EQ(r.Z[3], 55.0f);  // 50 and min(80, 60)

    // Listing a node twice changes nothing; other selections keep their counts.
    FitnessResult twice = CalculateFitness({1, 2, 3, 1, 3}, 2);
    EXPECT_EQ(twice.Z, r.Z);
    EXPECT_EQ(twice.SD, r.SD);
    FitnessResult one = CalculateFitness({2}, 2);
    EXPECT_EQ(one.nDetected, 1);
    EXPECT_EQ(one.Z[4], 0.5f);
    EXPECT_EQ(one.Z[1], 40.0f);
}

TEST(EvaluateSensorSet, OnlyTheFlagOneDetects) {
    Undetected(2, 3);
    Z4Matrix(1, 1) = 2;
    Z4Matrix(2, 2) = -1;
    Detects(1, 3, 12.0f, 1.0f, 1.0f);
    FitnessResult r = CalculateFitness({1, 2}, 3);
    EXPECT_EQ(r.nDetected, 1);
    EXPECT_FLOAT_EQ(r.Z[4], 1.0f / 3.0f);
    EXPECT_EQ(r.Z[1], 12.0f);
}

TEST(EvaluateSensorSet, SumsInSinglePrecision) {
    // 2^24 + 1 is not a float: the running sum stays at 2^24.
    Undetected(1, 2);
    Detects(1, 1, 16777216.0f, 1.0f, 1.0f);
    Detects(1, 2, 1.0f, 1.0f, 1.0f);
    FitnessResult r = CalculateFitness({1}, 2);
    EXPECT_EQ(r.Z[1], 8388608.0f);
    EXPECT_EQ(r.SD[1], static_cast<float>(std::sqrt((std::pow(16777216.0 - 8388608.0, 2) +
                                                     std::pow(1.0 - 8388608.0, 2)) / 2)));
}

TEST(EvaluateSensorSet, AnEventWithoutValuesCountsTheStartingMinimum) {
    Undetected(1, 1);
    Detects(1, 1, 5.0f, -1.0f, 3.0f);
    FitnessResult r = CalculateFitness({1}, 1);
    EXPECT_EQ(r.Z[2], 1e17f);
    EXPECT_TRUE(r.zAvailable[2]);
}

TEST(EvaluateSensorSet, ClearsTheFlagsOfWhatCannotBeComputed) {
    // No events: nothing can be computed.
    Undetected(2, 0);
    FitnessResult none = CalculateFitness({1}, 0);
    for (int k = 1; k <= 4; ++k) EXPECT_FALSE(none.zAvailable[k]) << k;

    // No detected event: Z4 is a real 0 with its counts, the means are not.
    Undetected(2, 3);
    FitnessResult missed = CalculateFitness({1, 2}, 3);
    EXPECT_TRUE(missed.zAvailable[4]);
    EXPECT_EQ(missed.Z[4], 0.0f);
    EXPECT_EQ(missed.nDetected, 0);
    EXPECT_EQ(missed.nEvents, 3);
    for (int k = 1; k <= 3; ++k) EXPECT_FALSE(missed.zAvailable[k]) << k;

    // A matrix file missing at start-up: that objective only.
    Detects(1, 2, 5.0f, 6.0f, 7.0f);
    MatrixFileFound[2] = false;
    FitnessResult noZ2 = CalculateFitness({1}, 3);
    EXPECT_FALSE(noZ2.zAvailable[2]);
    EXPECT_TRUE(noZ2.zAvailable[1]);
    EXPECT_TRUE(noZ2.zAvailable[3]);
    EXPECT_TRUE(noZ2.zAvailable[4]);

    // Sums beyond the single-precision range.
    MatrixFileFound[2] = true;
    Detects(1, 1, -3e38f, 6.0f, 7.0f);
    Detects(1, 3, -3e38f, 6.0f, 7.0f);
    FitnessResult huge = CalculateFitness({1}, 3);
    EXPECT_FALSE(huge.zAvailable[1]);
    EXPECT_TRUE(huge.zAvailable[2]);
}

TEST(EvaluateSensorSet, RefusesNodesOutsideTheMatrices) {
    Undetected(2, 1);
    EXPECT_THROW(CalculateFitness({3}, 1), std::out_of_range);
    EXPECT_THROW(CalculateFitness({0}, 1), std::out_of_range);
    EXPECT_THROW(CalculateFitness({1}, 2), std::out_of_range);
}
