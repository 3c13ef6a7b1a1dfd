#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "network/netload.h"
#include "network/sha256.h"
#include "support/test_support.h"

using namespace network;
using testing_support::ScratchFolder;
using testing_support::WriteText;

namespace {

// Every kind of element: a reservoir, a tank, a pump, a check-valve pipe, two
// valves, a node and a link sharing the ID "10", and a 15-character ID.
const char* kMixedNetwork = R"([JUNCTIONS]
10            5   20
J2            5   20
Junction15chars 5 20
[RESERVOIRS]
Src          50
[TANKS]
T1  60  5  0  20  40  0
[PIPES]
10    Src  10   1000  12  100  0  Open
P2    10   J2   1000  12  100  0  CV
P3    J2   Junction15chars 1000 12 100 0 Open
P4    T1   J2   1000  12  100  0  Open
[PUMPS]
PU1   Src  T1   POWER 5
[VALVES]
V1    10   Junction15chars 12 TCV 10 0
V2    J2   10  12 FCV 100 0
[TIMES]
Duration 12:00
Hydraulic Timestep 0:30
Quality Timestep 0:05
Pattern Timestep 2:00
Pattern Start 1:00
[OPTIONS]
Units GPM
Quality Chemical mg/L
[END]
)";

int Lookup(const KeyedTable& table, const std::string& id) { return table.Find(id).value_or(-1); }

}  // namespace

TEST(NetLoad, FillsEveryTableOfAMixedNetwork) {
    ScratchFolder dir;
    WriteText(dir.File("mixed.inp"), kMixedNetwork);
    const Network net = LoadNetwork(dir.File("mixed.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    const auto& [nNodes, nLinks, nStorage, nJunctions, nReservoirs, nTanks] =
        std::tuple(net.nNodes, net.nLinks, net.nStorage, net.nJunctions, net.nReservoirs, net.nTanks);
    const auto& [nCVPipes, nPipes, nPumps, nValves] = std::tuple(net.nCVPipes, net.nPipes, net.nPumps, net.nValves);
    const auto& [colNodes, colJunctions, colTanks, colCVPipes, colPipes, colValves] =
        std::tie(net.colNodes, net.colJunctions, net.colTanks, net.colCVPipes, net.colPipes, net.colValves);
    const auto& NodeID = net.NodeID;

    EXPECT_EQ(nNodes, 5);
    EXPECT_EQ(nLinks, 7);
    EXPECT_EQ(nStorage, 2);
    EXPECT_EQ(nJunctions + nReservoirs + nTanks, nNodes);
    EXPECT_EQ(nReservoirs + nTanks, nStorage);
    EXPECT_EQ(nJunctions, 3);
    EXPECT_EQ(nCVPipes, 1);
    EXPECT_EQ(nPipes, 3);
    EXPECT_EQ(nPumps, 1);
    EXPECT_EQ(nValves, 2);
    EXPECT_EQ(colValves.Count(), 2u);
    EXPECT_EQ(Lookup(colCVPipes, "P2"), 2);

    // NodeID and colNodes describe the same nodes, in toolkit order.
    ASSERT_EQ(NodeID.size(), static_cast<size_t>(nNodes) + 1);
    for (int j = 1; j <= nNodes; ++j) EXPECT_EQ(Lookup(colNodes, NodeID[j]), j) << NodeID[j];
    EXPECT_EQ(NodeID[3], "Junction15chars");

    // One ID for a node and a link: both loaded, each in its own table.
    EXPECT_EQ(Lookup(colNodes, "10"), 1);
    EXPECT_EQ(Lookup(colJunctions, "10"), 1);
    EXPECT_EQ(Lookup(colPipes, "10"), 1);

    // Keys ignore letter case; absent keys fail.
    EXPECT_EQ(Lookup(colNodes, "j2"), 2);
    EXPECT_EQ(Lookup(colTanks, "t1"), Lookup(colNodes, "T1"));
    EXPECT_FALSE(colNodes.Contains("J99"));
    EXPECT_FALSE(colJunctions.Contains("T1"));

    EXPECT_EQ(net.Duration, 12 * 3600);
    EXPECT_EQ(net.HydStep, 1800);
    EXPECT_EQ(net.QualStep, 300);
    EXPECT_EQ(net.PatternStep, 7200);
    EXPECT_EQ(net.PatternStart, 3600);
    EXPECT_EQ(net.FlowUnits, EN_GPM);
    EXPECT_EQ(net.Quality.type, EN_CHEM);
    EXPECT_EQ(net.Quality.units, "mg/L");
    EXPECT_TRUE(net.IsJunction(1));
    EXPECT_FALSE(net.IsJunction(5));
}

TEST(NetLoad, NetworkWithoutPumpsOrValvesLeavesThoseTablesEmpty) {
    ScratchFolder dir;
    WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(3));
    const Network net = LoadNetwork(dir.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    EXPECT_EQ(net.nPumps + net.nValves + net.nCVPipes, 0);
    EXPECT_EQ(net.colPumps.Count() + net.colValves.Count(), 0u);
    EXPECT_EQ(net.nPipes, 3);
    EXPECT_EQ(net.nJunctions, 3);
    EXPECT_EQ(net.nReservoirs, 1);
    EXPECT_EQ(net.NodeID[4], "R1");
}

// The same network twice, and two different networks, held at once: each
// load is a value of its own.
TEST(NetLoad, NetworksLoadedTwiceAndSideBySideAreIndependentValues) {
    ScratchFolder dir;
    WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(3));
    WriteText(dir.File("mixed.inp"), kMixedNetwork);
    const Network first = LoadNetwork(dir.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    const Network again = LoadNetwork(dir.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    const Network other = LoadNetwork(dir.File("mixed.inp"), testing_support::Toolkit(), network::TemporaryFolder());
    EXPECT_EQ(first.nNodes, 4);
    EXPECT_EQ(again.nNodes, 4);
    EXPECT_EQ(again.colNodes.Count(), 4u);
    EXPECT_EQ(again.NodeID, first.NodeID);
    // Every load carries the toolkit it was read with, the program's one.
    EXPECT_EQ(first.toolkit, testing_support::Toolkit());
    EXPECT_EQ(other.toolkit, first.toolkit);
    EXPECT_EQ(other.nNodes, 5);
    EXPECT_EQ(Lookup(other.colNodes, "J2"), 2);
    EXPECT_EQ(Lookup(first.colNodes, "J2"), 2);
    EXPECT_FALSE(first.colNodes.Contains("T1"));
}

TEST(NetLoad, FailedOpenThrowsTheToolkitCodeAndItsText) {
    ScratchFolder dir;
    WriteText(dir.File("broken.inp"), "[JUNCTIONS]\nJ1 0 1\n[PIPES]\nP1 J1 NOWHERE 10 10 100 0 Open\n[END]\n");
    try {
        LoadNetwork(dir.File("broken.inp"), testing_support::Toolkit(), network::TemporaryFolder());
        FAIL() << "a broken network was loaded";
    } catch (const ToolkitError& e) {
        EXPECT_EQ(e.function(), "EN_open");
        EXPECT_GT(e.code(), 100);
        EXPECT_NE(std::string(e.what()).find("code " + std::to_string(e.code())), std::string::npos) << e.what();
        EXPECT_GT(std::string(e.what()).size(), std::string("Simulation toolkit failure in EN_open (code 200)").size());
    }
    try {
        LoadNetwork("/nonexistent/folder/net.inp", testing_support::Toolkit(), network::TemporaryFolder());
        FAIL() << "a missing network file was loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/folder/net.inp cannot be read"), std::string::npos) << e.what();
    }
}

TEST(NetLoad, IdsDifferingOnlyInCaseAreRefusedByName) {
    ScratchFolder dir;
    WriteText(dir.File("case.inp"),
              "[JUNCTIONS]\na1 0 1\n[RESERVOIRS]\nR1 50\n[TANKS]\nA1 40 5 0 20 40 0\n"
              "[PIPES]\nP1 R1 a1 100 12 100 0 Open\nP2 a1 A1 100 12 100 0 Open\n"
              "[OPTIONS]\nUnits GPM\n[END]\n");
    try {
        LoadNetwork(dir.File("case.inp"), testing_support::Toolkit(), network::TemporaryFolder());
        FAIL() << "a network with IDs a1 and A1 was accepted";
    } catch (const DuplicateIdError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("\"a1\""), std::string::npos) << message;
        EXPECT_NE(message.find("\"A1\""), std::string::npos) << message;
    }
}

TEST(NetLoad, KeyedTableKeepsInsertionOrder) {
    KeyedTable table;
    table.Add("b", 7);
    table.Add("A", 3);
    EXPECT_THROW(table.Add("B", 9), DuplicateIdError);
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.Items()[0].first, "b");
    EXPECT_EQ(table.Items()[1].second, 3);
    EXPECT_EQ(table.Find("a").value_or(-1), 3);
}

// The network's bytes are taken once: the toolkit reads a private copy that
// stays as it was when the user's file changes, and goes with the last
// value that holds it.
TEST(NetLoad, TheToolkitReadsACopyOfTheBytesTakenAtLoading) {
    ScratchFolder dir;
    WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(3));
    std::string copy;
    {
        const Network net = LoadNetwork(dir.File("chain.inp"), testing_support::Toolkit(), network::TemporaryFolder());
        ASSERT_TRUE(net.file);
        copy = net.ToolkitFile();
        EXPECT_NE(copy, net.path);
        EXPECT_EQ(net.file->Bytes(), testing_support::ChainNetwork(3).size());
        EXPECT_EQ(net.file->Sha256(), Sha256Hex(testing_support::ChainNetwork(3)));
        WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(7));
        EXPECT_EQ(testing_support::ReadText(copy), testing_support::ChainNetwork(3));
        const Network again = net;  // copies share the snapshot
        EXPECT_EQ(again.ToolkitFile(), copy);
    }
    EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
