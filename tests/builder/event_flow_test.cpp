// The event flow hands events out in order within its window and writes
// records in event order, whichever order they arrive in.
#include <gtest/gtest.h>

#include "builder/build_error.h"
#include "builder/event_flow.h"
#include "builder_fixture.h"
#include "matrix/file_names.h"

using namespace builder;

namespace {

class EventFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        net_ = builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(2));
        parameters_.Mode = EventMode::RandomEvents;
        parameters_.nRandomEvents = 10;
        ids_.assign(net_.NodeID.begin() + 1, net_.NodeID.end());
    }

    // Records that name their event in the summary line.
    static matrix::EncodedEvent Records(std::int32_t index) {
        const std::vector<std::uint8_t> flags(3, 0);
        const std::vector<float> values(3, static_cast<float>(index));
        matrix::EncodedEvent records;
        matrix::EventValues eventValues;
        eventValues.detected = flags;
        eventValues.z1 = eventValues.z2 = eventValues.z3 = values;
        eventValues.eventNumber = index;
        matrix::EncodeEvent({}, eventValues, records);
        return records;
    }

    void Deliver(EventFlow& flow, std::int32_t index) {
        matrix::EncodedEvent records = Records(index);
        flow.Deliver(index, records);
    }

    // The event numbers of the summary lines written.
    std::vector<std::string> SummaryEvents() const {
        const std::vector<std::string> lines = builder_testing::Lines(matrix::EventSummaryFileName(net_.path));
        std::vector<std::string> events;
        for (std::size_t i = 1; i < lines.size(); ++i) events.push_back(lines[i].substr(0, lines[i].find(',')));
        return events;
    }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    RunParameters parameters_;
    std::vector<std::string> ids_;
};

}  // namespace

TEST_F(EventFlowTest, HandsOutEventsInOrderWithinTheWindow) {
    EventGenerator events(net_, parameters_, SeededUniformSource(3));
    const std::vector<Event> expected = GenerateEvents(net_, parameters_, SeededUniformSource(3));
    EventFlow flow(events, 10, 4);
    matrix::MatrixWriter writer(net_.path, ids_, true);
    std::vector<EventTask> tasks;
    EventTask one;
    ASSERT_TRUE(flow.Take(one));
    EXPECT_EQ(flow.TakeSome(10, tasks), 3);  // the window holds events 1 to 4
    EXPECT_EQ(flow.TakeSome(10, tasks), 0);
    tasks.insert(tasks.begin(), one);
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i].index, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(tasks[i].event.injections[0].node, expected[i].injections[0].node);
        EXPECT_EQ(tasks[i].event.injections[0].startStep, expected[i].injections[0].startStep);
    }
    Deliver(flow, 1);
    EXPECT_EQ(flow.WriteReady(writer), 1);
    tasks.clear();
    EXPECT_EQ(flow.TakeSome(10, tasks), 1);  // event 5 now fits
    EXPECT_EQ(tasks[0].index, 5);
    EXPECT_FALSE(flow.AllHandedOut());
}

TEST_F(EventFlowTest, WritesRecordsInEventOrderWhateverTheOrderTheyArriveIn) {
    EventGenerator events(net_, parameters_, SeededUniformSource(3));
    EventFlow flow(events, 10, 10);
    std::vector<EventTask> tasks;
    ASSERT_EQ(flow.TakeSome(10, tasks), 10);
    EXPECT_TRUE(flow.AllHandedOut());
    {
        matrix::MatrixWriter writer(net_.path, ids_, true);
        for (std::int32_t index : {3, 2, 5}) Deliver(flow, index);
        EXPECT_FALSE(flow.NextReady());
        EXPECT_EQ(flow.WriteReady(writer), 0);
        Deliver(flow, 1);
        EXPECT_EQ(flow.WriteReady(writer), 3);
        EXPECT_EQ(flow.Written(), 3);
        for (std::int32_t index = 10; index >= 4; --index)
            if (index != 5) Deliver(flow, index);
        EXPECT_EQ(flow.WriteReady(writer), 7);
        writer.Close();
    }
    EXPECT_EQ(SummaryEvents(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST_F(EventFlowTest, RefusesRecordsNotAskedForAndStopsOnTheFirstFailure) {
    EventGenerator events(net_, parameters_, SeededUniformSource(3));
    EventFlow flow(events, 10, 4);
    matrix::MatrixWriter writer(net_.path, ids_, true);
    std::vector<EventTask> tasks;
    flow.TakeSome(2, tasks);
    EXPECT_THROW(Deliver(flow, 3), BuildError);  // not handed out
    Deliver(flow, 2);
    EXPECT_THROW(Deliver(flow, 2), BuildError);  // twice
    Deliver(flow, 1);
    flow.WriteReady(writer);
    EXPECT_THROW(Deliver(flow, 1), BuildError);  // already written

    flow.Fail(4, std::make_exception_ptr(BuildError("first")));
    flow.Fail(3, std::make_exception_ptr(BuildError("second")));
    EXPECT_EQ(flow.TakeSome(2, tasks), 0);
    EventTask task;
    EXPECT_FALSE(flow.Take(task));
    try {
        std::rethrow_exception(flow.Error());
    } catch (const BuildError& e) {
        EXPECT_STREQ(e.what(), "first");
    }
}
