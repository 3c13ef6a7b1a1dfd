// The byte forms of the messages between the processes of a build: what
// one process encodes, another decodes to the same values; a message that
// ends early or runs long is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder/run_parameter_table.h"
#include "cluster/messages.h"
#include "network/netload.h"
#include "support/test_support.h"

using namespace cluster;

namespace {

matrix::EncodedEvent Records(std::int64_t event, bool withZ2) {
    const std::vector<std::uint8_t> flags{1, 0, 1};
    const std::vector<float> z1{5, 11520, 1.5f}, z2{0.25f, -1, 3}, z3{50, -1, 1e-7f};
    const std::vector<matrix::InjectionColumns> injections{{"J1", 4, 479167.0f}, {"J3", 9, 12.5f}};
    matrix::EventValues values;
    values.detected = flags;
    values.z1 = z1;
    values.z2 = z2;
    values.z3 = z3;
    values.withZ2 = withZ2;
    values.eventNumber = event;
    if (withZ2) values.undetectedPeople = 17.25f;
    values.undetectedVolume = 300;
    matrix::EncodedEvent encoded;
    matrix::EncodeEvent(injections, values, encoded);
    return encoded;
}

void ExpectSameRecords(const matrix::EncodedEvent& a, const matrix::EncodedEvent& b) {
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(a.text[k], b.text[k]) << k;
    EXPECT_EQ(a.detected, b.detected);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(a.values[k], b.values[k]) << k;
    EXPECT_EQ(a.summary, b.summary);
}

}  // namespace

TEST(ClusterMessages, RecordsComeBackByteForByte) {
    const std::vector<matrix::EncodedEvent> sent{Records(7, true), Records(8, false), Records(12, true)};
    std::vector<char> bytes{'o', 'l', 'd'};
    RecordsEncoder encoder(bytes);
    encoder.Add(7, sent[0]);
    encoder.Add(8, sent[1]);
    encoder.Add(12, sent[2]);
    EXPECT_EQ(encoder.Count(), 3);
    std::vector<std::int32_t> indexes;
    matrix::EncodedEvent scratch = Records(99, true);  // stale content must not survive
    DecodeRecords(bytes, scratch, [&](std::int32_t index, const matrix::EncodedEvent& records) {
        ExpectSameRecords(records, sent[indexes.size()]);
        indexes.push_back(index);
    });
    EXPECT_EQ(indexes, (std::vector<std::int32_t>{7, 8, 12}));

    std::vector<char> cut(bytes.begin(), bytes.end() - 1), longer = bytes;
    longer.push_back('x');
    const auto ignore = [](std::int32_t, const matrix::EncodedEvent&) {};
    EXPECT_THROW(DecodeRecords(cut, scratch, ignore), WireError);
    EXPECT_THROW(DecodeRecords(longer, scratch, ignore), WireError);
}

TEST(ClusterMessages, SetupComesBackAndAnotherByteOrderIsRefused) {
    cluster::Setup setup;
    setup.program = "tesmar 1.0.0";
    setup.toolkitVersion = 20305;
    setup.networkBytes = 45063;
    setup.networkSha256 = std::string(64, 'a');
    setup.host = "node7";
    setup.parameters.Mode = builder::EventMode::RandomEvents;
    setup.parameters.nRandomEvents = 77;
    setup.parameters.DetectionSensitivity = 0.25f;
    setup.parameters.NoZ2 = true;
    setup.parameters.ChemicalAnalysis = true;
    setup.acceptWarnings = true;
    std::vector<char> bytes = EncodeSetup(setup);
    const cluster::Setup back = DecodeSetup(bytes);
    EXPECT_FALSE(back.refused);
    EXPECT_EQ(back.program, setup.program);
    EXPECT_EQ(back.toolkitVersion, 20305);
    EXPECT_EQ(back.networkBytes, 45063u);
    EXPECT_EQ(back.networkSha256, setup.networkSha256);
    EXPECT_EQ(back.host, "node7");
    EXPECT_EQ(back.parameters.Mode, builder::EventMode::RandomEvents);
    EXPECT_EQ(back.parameters.nRandomEvents, 77);
    EXPECT_EQ(back.parameters.DetectionSensitivity, 0.25f);
    EXPECT_TRUE(back.parameters.NoZ2);
    EXPECT_TRUE(back.parameters.ChemicalAnalysis);
    EXPECT_EQ(back.parameters.BodyWeight, builder::RunParameters{}.BodyWeight);
    EXPECT_TRUE(back.acceptWarnings);

    std::reverse(bytes.begin(), bytes.begin() + 4);  // the mark as a machine of the other order reads it
    EXPECT_THROW(DecodeSetup(bytes), WireError);
}

// Every run parameter and switch of the table reaches the other processes as set.
TEST(ClusterMessages, EveryRunParameterOfTheTableTravels) {
    cluster::Setup setup;
    double value = 11;
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        builder::SetValue(entry, setup.parameters, value++ + (entry.kind == builder::ValueKind::Single ? 0.5 : 0));
    const cluster::Setup back = DecodeSetup(EncodeSetup(setup));
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        EXPECT_EQ(builder::ValueOf(entry, back.parameters), builder::ValueOf(entry, setup.parameters)) << entry.option;
    // Each switch on its own.
    for (const builder::RunSwitchEntry& entry : builder::RunSwitchTable()) {
        cluster::Setup switched;
        switched.parameters.*entry.member = true;
        const cluster::Setup got = DecodeSetup(EncodeSetup(switched));
        for (const builder::RunSwitchEntry& other : builder::RunSwitchTable())
            EXPECT_EQ(got.parameters.*other.member, other.id == entry.id) << entry.option << " and " << other.option;
    }
}

// Events travel as node indexes; the receiver names the nodes from its own
// network and refuses an index its network does not have.
TEST(ClusterMessages, EventsComeBackWithTheReceiversNodeIds) {
    testing_support::ScratchFolder folder;
    testing_support::WriteText(folder.File("chain.inp"), testing_support::ChainNetwork(4));
    const network::Network net = network::LoadNetwork(folder.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    builder::RunParameters parameters;
    parameters.Mode = builder::EventMode::RandomEvents;
    parameters.nRandomEvents = 5;
    parameters.nInjectionsPerEvent = 3;
    const std::vector<builder::Event> events =
        builder::GenerateEvents(net, parameters, builder::SeededUniformSource(8));
    std::vector<builder::EventTask> sent;
    for (std::size_t i = 0; i < events.size(); ++i) sent.push_back({static_cast<std::int32_t>(40 + i), events[i]});
    std::vector<char> bytes;
    EncodeEvents(sent, bytes);
    std::vector<builder::EventTask> back;
    DecodeEvents(bytes, net, back);
    ASSERT_EQ(back.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(back[i].index, sent[i].index);
        ASSERT_EQ(back[i].event.injections.size(), 3u);
        for (std::size_t j = 0; j < 3; ++j) {
            const builder::Injection &a = back[i].event.injections[j],
                                             &b = sent[i].event.injections[j];
            EXPECT_EQ(a.node, b.node);
            EXPECT_EQ(a.nodeId, b.nodeId);
            EXPECT_EQ(a.startStep, b.startStep);
            EXPECT_EQ(a.massRate, b.massRate);
            EXPECT_EQ(a.hours, b.hours);
        }
    }
    sent[2].event.injections[1].node = net.nNodes + 1;
    EncodeEvents(sent, bytes);
    back.clear();
    EXPECT_THROW(DecodeEvents(bytes, net, back), WireError);
}
