#include <gtest/gtest.h>

#include "builder/events.h"
#include "builder/numbers.h"
#include "builder_fixture.h"

using namespace builder;

namespace {

// A chain network of three junctions and a reservoir (four nodes).
class EventsTest : public ::testing::Test {
protected:
    void SetUp() override { net_ = builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(3)); }

    // A source that returns the given values in turn and counts the draws.
    UniformSource Script(std::vector<double> values) {
        return [this, values]() { return values[draws_++ % values.size()]; };
    }

    std::vector<Event> Generate(UniformSource random) { return GenerateEvents(net_, p_, std::move(random)); }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    RunParameters p_;
    std::size_t draws_ = 0;
};

}  // namespace

TEST(Numbers, RoundingIsHalfToEven) {
    EXPECT_EQ(ToInt32(2.5), 2);
    EXPECT_EQ(ToInt32(3.5), 4);
    EXPECT_EQ(ToInt32(-0.5), 0);
    EXPECT_EQ(ToInt32(286.5000001), 287);
}

TEST_F(EventsTest, AllNodesAndAllTimesIsNodeMajorOnTheQualityGrid) {
    p_.Mode = EventMode::AllNodesAllTimes;
    const auto events = Generate(Script({0.5}));
    EXPECT_EQ(draws_, 0u);
    ASSERT_EQ(events.size(), 4u * 288);
    EXPECT_EQ(EventCount(net_, p_), 4 * 288);
    EXPECT_EQ(events[0].injections[0].startStep, 0);
    EXPECT_EQ(events[287].injections[0].startStep, 287);
    EXPECT_EQ(events[287].injections[0].node, 1);
    const Injection& first = events[288].injections[0];
    EXPECT_EQ(first.node, 2);
    EXPECT_EQ(first.nodeId, "J2");
    EXPECT_EQ(first.startStep, 0);
    EXPECT_EQ(first.hours, 2);
    EXPECT_EQ(first.massRate, 479167.0f);
    EXPECT_EQ(events[288].injections.size(), 1u);
}

TEST_F(EventsTest, AllTimesFollowsOddQualitySteps) {
    p_.Mode = EventMode::AllNodesAllTimes;
    net_.QualStep = 7;  // 12342.857 steps a day: steps 0..12341
    auto events = Generate(Script({0.5}));
    EXPECT_EQ(events.size(), 4u * 12342);
    EXPECT_EQ(EventCount(net_, p_), 4 * 12342);
    EXPECT_EQ(events[12341].injections[0].startStep, 12341);
    EXPECT_EQ(events[12342].injections[0].startStep, 0);

    net_.QualStep = 86401;  // less than one step a day: no events at all
    EXPECT_TRUE(Generate(Script({0.5})).empty());
    EXPECT_EQ(EventCount(net_, p_), 0);
}

TEST_F(EventsTest, AllNodesXTimesIsRepetitionMajorWithOneDrawPerEvent) {
    p_.Mode = EventMode::AllNodesRepeated;
    p_.RepeatCount = 2;
    // (288 - 1) x r: 0 -> 0, 0.999.. -> 287, 2.5 / 287 -> a tie rounded to even.
    const auto events = Generate(Script({0.0, 0.9999999, 2.5 / 287, 0.5}));
    EXPECT_EQ(draws_, 8u);
    ASSERT_EQ(events.size(), 8u);
    std::vector<int> nodes, times;
    for (const auto& event : events) {
        nodes.push_back(event.injections[0].node);
        times.push_back(event.injections[0].startStep);
    }
    EXPECT_EQ(nodes, (std::vector<int>{1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(times[0], 0);
    EXPECT_EQ(times[1], 287);
    EXPECT_EQ(times[2], ToInt32(287 * (2.5 / 287)));
    EXPECT_EQ(times[3], 144);  // 143.5 rounds to the even 144

    p_.RepeatCount = 0;
    EXPECT_TRUE(Generate(Script({0.5})).empty());
}

TEST_F(EventsTest, RandomEventsDrawNodeThenTimeForEveryInjection) {
    p_.Mode = EventMode::RandomEvents;
    p_.nRandomEvents = 2;
    p_.nInjectionsPerEvent = 3;
    // Node draws 0.0 -> node 1, 0.99 -> node 4; time draws 0.5 -> 144.
    auto events = Generate(Script({0.0, 0.5, 0.99, 0.5, 0.3, 0.0}));
    EXPECT_EQ(draws_, 12u);
    ASSERT_EQ(events.size(), 2u);
    const Event& event = events[0];
    ASSERT_EQ(event.injections.size(), 3u);
    EXPECT_EQ(event.injections[0].node, 1);
    EXPECT_EQ(event.injections[0].startStep, 144);
    EXPECT_EQ(event.injections[1].nodeId, "R1");
    EXPECT_EQ(event.injections[2].node, 2);  // floor(0.3 x 4) + 1
    EXPECT_EQ(event.injections[2].startStep, 0);

    // No injections per event: events without injections, and no draws.
    p_.nInjectionsPerEvent = 0;
    draws_ = 0;
    events = Generate(Script({0.5}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(draws_, 0u);
    EXPECT_TRUE(events[0].injections.empty());
    EXPECT_TRUE(events[1].injections.empty());
}

// The generator hands out the set one event at a time, the same events
// whoever asks and whenever.
TEST_F(EventsTest, GeneratorGivesTheSetOneEventAtATime) {
    p_.Mode = EventMode::RandomEvents;
    p_.nRandomEvents = 5;
    const auto all = Generate(SeededUniformSource(9));
    EventGenerator generator(net_, p_, SeededUniformSource(9));
    EXPECT_EQ(generator.Count(), 5);
    Event event;
    for (std::size_t k = 0; k < all.size(); ++k) {
        EXPECT_EQ(generator.NextNumber(), static_cast<std::int64_t>(k) + 1);
        ASSERT_TRUE(generator.Next(event));
        EXPECT_EQ(event.injections[0].node, all[k].injections[0].node);
        EXPECT_EQ(event.injections[0].startStep, all[k].injections[0].startStep);
    }
    EXPECT_FALSE(generator.Next(event));
}

TEST_F(EventsTest, SeededSourcesRepeatAndDifferentSeedsDiffer) {
    p_.Mode = EventMode::RandomEvents;
    p_.nRandomEvents = 50;
    auto codes = [&](std::uint64_t seed) {
        std::vector<int> codes;
        for (const auto& e : Generate(SeededUniformSource(seed)))
            codes.push_back(e.injections[0].node * 1000 + e.injections[0].startStep);
        return codes;
    };
    EXPECT_EQ(codes(42), codes(42));
    EXPECT_NE(codes(42), codes(43));
    auto draw = SeededUniformSource(7);
    for (int i = 0; i < 1000; ++i) {
        double r = draw();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
}
