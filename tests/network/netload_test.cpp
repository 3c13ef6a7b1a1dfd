#include <gtest/gtest.h>

#include "network/netload.h"
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
    ASSERT_EQ(OpenNetwork(dir.File("mixed.inp"), "rep.dat", "out.dat"), 0);
    ENclose();

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

    EXPECT_EQ(Duration, 12 * 3600);
    EXPECT_EQ(HydStep, 1800);
    EXPECT_EQ(QualStep, 300);
    EXPECT_EQ(PatternStep, 7200);
    EXPECT_EQ(PatternStart, 3600);
}

TEST(NetLoad, NetworkWithoutPumpsOrValvesLeavesThoseTablesEmpty) {
    ScratchFolder dir;
    WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(3));
    ASSERT_EQ(OpenNetwork(dir.File("chain.inp"), "rep.dat", "out.dat"), 0);
    ENclose();
    EXPECT_EQ(nPumps + nValves + nCVPipes, 0);
    EXPECT_EQ(colPumps.Count() + colValves.Count(), 0u);
    EXPECT_EQ(nPipes, 3);
    EXPECT_EQ(nJunctions, 3);
    EXPECT_EQ(nReservoirs, 1);
    EXPECT_EQ(NodeID[4], "R1");
}

TEST(NetLoad, FailedOpenReturnsTheToolkitCodeAndEmptyTables) {
    ScratchFolder dir;
    WriteText(dir.File("broken.inp"), "[JUNCTIONS]\nJ1 0 1\n[PIPES]\nP1 J1 NOWHERE 10 10 100 0 Open\n[END]\n");
    int code = OpenNetwork(dir.File("broken.inp"), "rep.dat", "out.dat");
    EXPECT_NE(code, 0);
    EXPECT_EQ(nNodes, 0);
    EXPECT_EQ(nLinks, 0);
    EXPECT_EQ(colNodes.Count() + colPipes.Count(), 0u);

    // The failure carries the toolkit's code and its own words.
    try {
        Check(code, "ENopen");
        FAIL() << "Check accepted a failing code";
    } catch (const ToolkitError& e) {
        EXPECT_EQ(e.code(), code);
        EXPECT_NE(std::string(e.what()).find("code " + std::to_string(code)), std::string::npos) << e.what();
        EXPECT_GT(std::string(e.what()).size(), std::string("Simulation toolkit failure in ENopen (code 200)").size());
    }
}

TEST(NetLoad, MissingFileFailsToOpen) {
    EXPECT_NE(OpenNetwork("/nonexistent/folder/net.inp", "rep.dat", "out.dat"), 0);
    EXPECT_EQ(nNodes, 0);
}

TEST(NetLoad, IdsDifferingOnlyInCaseAreRefusedByName) {
    ScratchFolder dir;
    WriteText(dir.File("case.inp"),
              "[JUNCTIONS]\na1 0 1\n[RESERVOIRS]\nR1 50\n[TANKS]\nA1 40 5 0 20 40 0\n"
              "[PIPES]\nP1 R1 a1 100 12 100 0 Open\nP2 a1 A1 100 12 100 0 Open\n"
              "[OPTIONS]\nUnits GPM\n[END]\n");
    try {
        OpenNetwork(dir.File("case.inp"), "rep.dat", "out.dat");
        FAIL() << "a network with IDs a1 and A1 was accepted";
    } catch (const DuplicateIdError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("\"a1\""), std::string::npos) << message;
        EXPECT_NE(message.find("\"A1\""), std::string::npos) << message;
    }
    ENclose();
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
