// The parts a process of an MPI build is made of, in process: the check of
// the set-up against its own network, its queue of events, the box its
// workers put records into, and the writer's window.
#include <gtest/gtest.h>

#include <thread>

#include "cluster/handout.h"
#include "cluster/record_box.h"
#include "cluster/task_queue.h"
#include "cluster/worker_process.h"
#include "network/netload.h"
#include "support/test_support.h"

using namespace cluster;

namespace {

class SetupCheck : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::WriteText(folder_.File("chain.inp"), testing_support::ChainNetwork(3));
        net_ = network::LoadNetwork(folder_.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
        job_.net = &net_;
        job_.description.program = "tesmar 1.0.0";
        setup_.program = "tesmar 1.0.0";
        setup_.toolkitVersion = 20305;
        setup_.networkBytes = net_.file->Bytes();
        setup_.networkSha256 = net_.file->Sha256();
        setup_.host = "writer-host";
    }

    std::string Mismatch(int toolkitVersion = 20305) const {
        return SetupMismatch(setup_, job_, 3, "node9", toolkitVersion);
    }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    ProcessJob job_;
    cluster::Setup setup_;
};

}  // namespace

TEST_F(SetupCheck, TheSameFileProgramAndToolkitTakePart) { EXPECT_EQ(Mismatch(), ""); }

TEST_F(SetupCheck, EveryDifferenceIsRefusedNamingBothHosts) {
    setup_.networkSha256[0] = setup_.networkSha256[0] == '0' ? '1' : '0';
    const std::string file = Mismatch();
    EXPECT_NE(file.find("process 3 on host node9 reads a different network file"), std::string::npos) << file;
    EXPECT_NE(file.find("writer-host"), std::string::npos) << file;
    setup_.networkSha256 = net_.file->Sha256();
    ++setup_.networkBytes;
    EXPECT_NE(Mismatch().find("different network file"), std::string::npos);
    setup_.networkBytes = net_.file->Bytes();
    EXPECT_NE(Mismatch(20400).find("toolkit version 20400"), std::string::npos);
    setup_.program = "tesmar 0.9.0";
    EXPECT_NE(Mismatch().find("runs tesmar 1.0.0"), std::string::npos);
    job_.net = nullptr;
    job_.problem = "The network file /x.inp does not exist";
    EXPECT_EQ(Mismatch(), "process 3 on host node9 cannot build: The network file /x.inp does not exist");
}

TEST(TaskQueue, GivesEventsInOrderThenNoneOnceToldOrClosed) {
    TaskQueue queue;
    std::vector<builder::EventTask> tasks(3);
    for (int i = 0; i < 3; ++i) tasks[static_cast<std::size_t>(i)].index = 10 + i;
    queue.Add(tasks);
    EXPECT_TRUE(tasks.empty());
    EXPECT_EQ(queue.Waiting(), 3);
    builder::EventTask task;
    ASSERT_TRUE(queue.Take(task));
    EXPECT_EQ(task.index, 10);
    queue.NoMore();  // those queued are still given
    ASSERT_TRUE(queue.Take(task));
    EXPECT_EQ(task.index, 11);
    queue.Close();  // those left are dropped
    EXPECT_FALSE(queue.Take(task));
    tasks.resize(1);
    queue.Add(tasks);
    EXPECT_FALSE(queue.Take(task));

    // A worker waiting for events ends once no more will come.
    TaskQueue waiting;
    bool taken = true;
    std::thread worker([&] { taken = waiting.Take(task); });
    waiting.NoMore();
    worker.join();
    EXPECT_FALSE(taken);
}

TEST(RecordBox, PacksEveryRecordKeptAndReportsFailures) {
    RecordBox box;
    matrix::EncodedEvent records;
    records.text[1] = "a,1,\r\n";
    records.summary = "7,1,\r\n";
    box.Deliver(7, records);
    records.text[1] = "b,2,\r\n";
    box.Deliver(9, records);
    EXPECT_EQ(box.ReadyCount(), 2);
    EXPECT_GT(box.ReadyBytes(), 10u);
    std::vector<char> message;
    EXPECT_EQ(box.Pack(message), 2);
    EXPECT_EQ(box.ReadyCount(), 0);
    EXPECT_EQ(box.Delivered(), 2);
    std::vector<std::pair<std::int32_t, std::string>> decoded;
    matrix::EncodedEvent scratch;
    DecodeRecords(message, scratch, [&](std::int32_t index, const matrix::EncodedEvent& r) {
        decoded.emplace_back(index, r.text[1]);
    });
    EXPECT_EQ(decoded, (std::vector<std::pair<std::int32_t, std::string>>{{7, "a,1,\r\n"}, {9, "b,2,\r\n"}}));

    box.Fail(12, std::make_exception_ptr(std::runtime_error("toolkit code 110")));
    box.Wait(std::chrono::seconds(5));  // a failure ends the wait at once
    const std::vector<Failure> failures = box.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].eventIndex, 12);
    EXPECT_EQ(failures[0].what, "toolkit code 110");
    EXPECT_TRUE(box.TakeFailures().empty());
}

// Room for about a gigabyte of records, never less than four events per
// worker, never more than the build's events.
TEST(WriterWindow, FollowsTheRecordSizeTheWorkersAndTheEvents) {
    const std::int32_t network2 = WindowFor(16338, 4, 100000);
    EXPECT_GT(network2, 1000);
    EXPECT_LT(network2, 1500);
    EXPECT_EQ(WindowFor(16338, 1000, 100000), 4000);
    EXPECT_EQ(WindowFor(144, 2, 300), 300);
    EXPECT_EQ(WindowFor(144, 2, 0), 1);
    EXPECT_GT(WindowFor(144, 2, 10000000), WindowFor(16338, 2, 10000000));
}
