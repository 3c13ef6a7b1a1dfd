#include <gtest/gtest.h>

#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "builder_fixture.h"
#include "network/netload.h"

using namespace builder;

namespace {

// Loads a chain network of three junctions and a reservoir (four nodes).
class EventsTest : public ::testing::Test {
protected:
    void SetUp() override { builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(3)); }

    // A source that returns the given values in turn and counts the draws.
    UniformSource Script(std::vector<double> values) {
        return [this, values]() { return values[draws_++ % values.size()]; };
    }

    testing_support::ScratchFolder folder_;
    std::size_t draws_ = 0;
};

}  // namespace

TEST(Numbers, RoundingIsHalfToEvenAndSinglesPrintPlainly) {
    EXPECT_EQ(ToInt32(2.5), 2);
    EXPECT_EQ(ToInt32(3.5), 4);
    EXPECT_EQ(ToInt32(-0.5), 0);
    EXPECT_EQ(ToInt32(286.5000001), 287);
    EXPECT_EQ(FormatSingle(11520.0f), "11520");
    EXPECT_EQ(FormatSingle(-1.0f), "-1");
    EXPECT_EQ(FormatSingle(479167.0f), "479167");
    EXPECT_EQ(FormatSingle(12345678.0f), "1.234568E+07");
    EXPECT_EQ(FormatSingle(0.5f), "0.5");
    EXPECT_EQ(FormatSingle(181.70f), "181.7");
    EXPECT_EQ(FormatSingle(1.0f / 3), "0.3333333");
    EXPECT_EQ(FormatSingle(0.0f), "0");
}

TEST_F(EventsTest, AllNodesAndAllTimesIsNodeMajorOnTheQualityGrid) {
    EventMode = 0;
    nEvents = 7;  // the window's estimate is replaced by the exact count
    GenerateEvents(Script({0.5}));
    EXPECT_EQ(draws_, 0u);
    ASSERT_EQ(nEvents, 4 * 288);
    ASSERT_EQ(colPollutionEvents.size(), 4u * 288);
    EXPECT_EQ(PollutionEvent(1).colInjectionEvent[0].evTime, 0);
    EXPECT_EQ(PollutionEvent(288).colInjectionEvent[0].evTime, 287);
    EXPECT_EQ(PollutionEvent(288).colInjectionEvent[0].evNodeInd, 1);
    const clsInjectionEvent& first = PollutionEvent(289).colInjectionEvent[0];
    EXPECT_EQ(first.evNodeInd, 2);
    EXPECT_EQ(first.evNodeID, "J2");
    EXPECT_EQ(first.evTime, 0);
    EXPECT_EQ(first.evPollutionDuration, 2);
    EXPECT_EQ(first.evPollutionLevel, 479167.0f);
    EXPECT_EQ(first.evPollutionMulti, 1.0f);
    EXPECT_EQ(PollutionEvent(289).nInjections, 1);
    EXPECT_EQ(PollutionEvent(289).DemandMulti, 1.0f);
}

TEST_F(EventsTest, AllTimesFollowsOddQualitySteps) {
    EventMode = 0;
    network::QualStep = 7;  // 12342.857 steps a day: steps 0..12341
    GenerateEvents(Script({0.5}));
    EXPECT_EQ(nEvents, 4 * 12342);
    EXPECT_EQ(PollutionEvent(12342).colInjectionEvent[0].evTime, 12341);

    colPollutionEvents.clear();
    network::QualStep = 86401;  // less than one step a day: no events at all
    GenerateEvents(Script({0.5}));
    EXPECT_EQ(nEvents, 0);
    EXPECT_TRUE(colPollutionEvents.empty());
}

TEST_F(EventsTest, AllNodesXTimesIsRepetitionMajorWithOneDrawPerEvent) {
    EventMode = 1;
    RepeatCount = 2;
    nEvents = 8;
    // (288 - 1) x r: 0 -> 0, 0.999.. -> 287, 2.5 / 287 -> a tie rounded to even.
    GenerateEvents(Script({0.0, 0.9999999, 2.5 / 287, 0.5}));
    EXPECT_EQ(draws_, 8u);
    ASSERT_EQ(colPollutionEvents.size(), 8u);
    std::vector<int> nodes, times;
    for (int k = 1; k <= 8; ++k) {
        nodes.push_back(PollutionEvent(k).colInjectionEvent[0].evNodeInd);
        times.push_back(PollutionEvent(k).colInjectionEvent[0].evTime);
    }
    EXPECT_EQ(nodes, (std::vector<int>{1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(times[0], 0);
    EXPECT_EQ(times[1], 287);
    EXPECT_EQ(times[2], ToInt32(287 * (2.5 / 287)));
    EXPECT_EQ(times[3], 144);  // 143.5 rounds to the even 144
    EXPECT_EQ(nEvents, 8);
}

TEST_F(EventsTest, RandomEventsDrawNodeThenTimeForEveryInjection) {
    EventMode = 2;
    nRandomEvents = 2;
    nInjectionsPerEvent = 3;
    // Node draws 0.0 -> node 1, 0.99 -> node 4; time draws 0.5 -> 144.
    GenerateEvents(Script({0.0, 0.5, 0.99, 0.5, 0.3, 0.0}));
    EXPECT_EQ(draws_, 12u);
    ASSERT_EQ(colPollutionEvents.size(), 2u);
    const clsPollutionEvent& event = PollutionEvent(1);
    EXPECT_EQ(event.nInjections, 3);
    ASSERT_EQ(event.colInjectionEvent.size(), 3u);
    EXPECT_EQ(event.colInjectionEvent[0].evNodeInd, 1);
    EXPECT_EQ(event.colInjectionEvent[0].evTime, 144);
    EXPECT_EQ(event.colInjectionEvent[1].evNodeID, "R1");
    EXPECT_EQ(event.colInjectionEvent[2].evNodeInd, 2);  // floor(0.3 x 4) + 1
    EXPECT_EQ(event.colInjectionEvent[2].evTime, 0);

    // No injections per event: empty events with the record defaults.
    colPollutionEvents.clear();
    nInjectionsPerEvent = 0;
    GenerateEvents(Script({0.5}));
    ASSERT_EQ(colPollutionEvents.size(), 2u);
    EXPECT_EQ(PollutionEvent(2).nInjections, 0);
    EXPECT_EQ(PollutionEvent(2).DemandMulti, 0.0f);
}

TEST_F(EventsTest, SeededSourcesRepeatAndDifferentSeedsDiffer) {
    EventMode = 2;
    nRandomEvents = 50;
    GenerateEvents(SeededUniformSource(42));
    std::vector<int> first;
    for (auto& e : colPollutionEvents) first.push_back(e.colInjectionEvent[0].evNodeInd * 1000 + e.colInjectionEvent[0].evTime);
    colPollutionEvents.clear();
    GenerateEvents(SeededUniformSource(42));
    std::vector<int> again, other;
    for (auto& e : colPollutionEvents) again.push_back(e.colInjectionEvent[0].evNodeInd * 1000 + e.colInjectionEvent[0].evTime);
    colPollutionEvents.clear();
    GenerateEvents(SeededUniformSource(43));
    for (auto& e : colPollutionEvents) other.push_back(e.colInjectionEvent[0].evNodeInd * 1000 + e.colInjectionEvent[0].evTime);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    auto draw = SeededUniformSource(7);
    for (int i = 0; i < 1000; ++i) {
        double r = draw();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
}
