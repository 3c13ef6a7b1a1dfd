// `tesmar place` on real builds: the heuristic against the exact model, the
// value printed against a recomputation from the matrices, fixed and
// excluded nodes, every bad request.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "matrix/file_names.h"
#include "matrix/matrix_store.h"
#include "network/netload.h"
#include "support/test_support.h"
#include "network_one_set.h"
#include "tool_process.h"

namespace fs = std::filesystem;
using nlohmann::json;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

using NetworkOnePlacement = tesmar_testing::NetworkOneSet;

}  // namespace

TEST_F(NetworkOnePlacement, HeuristicFindsTheExactOptimumForOneToTenSensors) {
    const json heuristic = Place({"--sensors", "10", "--curve"});
    const json exact = Place({"--sensors", "10", "--curve", "--exact"});
    ASSERT_EQ(heuristic["placements"].size(), 10u);
    ASSERT_EQ(exact["placements"].size(), 10u);
    for (std::size_t k = 0; k < 10; ++k) {
        const json& h = heuristic["placements"][k];
        const json& x = exact["placements"][k];
        EXPECT_EQ(x["exact"], "optimal") << k + 1;
        EXPECT_NEAR(h["value"].get<double>(), x["value"].get<double>(), 1e-6 * x["value"].get<double>()) << k + 1;
        EXPECT_LE(h["bound"].get<double>(), x["value"].get<double>() * (1 + 1e-9)) << "bound above the optimum, " << k + 1;
        // Each count's bound starts from the previous count's multipliers too,
        // which brings it close to the optimum along the whole curve.
        EXPECT_LE(h["gap"].get<double>(), 0.01) << k + 1;
    }
}

// The value printed is the mean, over all events, of each event's minutes
// to its first detecting sensor (the no-detection time when none detects),
// worked out here from the matrices the tool reads.
TEST_F(NetworkOnePlacement, PrintedValueIsARecomputationFromTheMatricesAndTheJsonIsWhole) {
    const json result = Place({"--sensors", "4", "--objective", "z1", "--statistic", "mean"});
    for (const char* key : {"network", "objective", "statistic", "alpha", "events", "undetectable_events", "notes",
                            "placements", "floor", "ceiling", "stopped_early", "seconds"})
        EXPECT_TRUE(result.contains(key)) << key;
    const json& chosen = result["placements"][0];
    for (const char* key : {"sensors", "nodes", "value", "bound", "gap", "proven_optimal", "figures", "fitness"})
        EXPECT_TRUE(chosen.contains(key)) << key;
    ASSERT_EQ(chosen["nodes"].size(), 4u);

    const network::Network net = network::LoadNetwork(network_, testing_support::Toolkit(), network::TemporaryFolder());
    const std::vector<std::string> ids(net.NodeID.begin() + 1, net.NodeID.end());
    const matrix::StoredSet stored = matrix::LoadMatrixSet({network_, ids, ""});
    const matrix::MatrixSet& set = stored.loaded.set;
    std::vector<std::int32_t> nodes;
    for (const auto& id : chosen["nodes"]) nodes.push_back(*net.colNodes.Find(id.get<std::string>()));
    double sum = 0;
    for (std::int32_t e = 1; e <= set.nEvents; ++e) {
        double best = 11520;  // 120 x 96 hours
        for (std::int32_t n : nodes)
            if (set.Z4(n, e) == 1) best = std::min<double>(best, set.Z1(n, e));
        sum += best;
    }
    EXPECT_NEAR(chosen["value"].get<double>(), sum / set.nEvents, 1e-9 * sum);
    EXPECT_EQ(chosen["fitness"]["events"], set.nEvents);
}

TEST_F(NetworkOnePlacement, FixedNodesStayAndExcludedNodesNeverComeIn) {
    const json free = Place({"--sensors", "3"});
    const std::string best = free["placements"][0]["nodes"][0];
    const json constrained = Place({"--sensors", "3", "--fixed", "J1", "--exclude", best});
    const auto& nodes = constrained["placements"][0]["nodes"];
    EXPECT_NE(std::find(nodes.begin(), nodes.end(), "J1"), nodes.end());
    EXPECT_EQ(std::find(nodes.begin(), nodes.end(), best), nodes.end());
    EXPECT_GE(constrained["placements"][0]["value"].get<double>(), free["placements"][0]["value"].get<double>());

    testing_support::WriteText(folder_->File("candidates.txt"), "# where a sensor may go\nJ10 J20\nJ30\n");
    const json limited = Place({"--sensors", "2", "--candidates", folder_->File("candidates.txt")});
    for (const auto& id : limited["placements"][0]["nodes"])
        EXPECT_TRUE(id == "J10" || id == "J20" || id == "J30") << id;
}

TEST_F(NetworkOnePlacement, TailObjectivesSayWhatNoSetCanImprove) {
    const ToolRun worst = RunTool({"place", network_, "--sensors", "3", "--statistic", "worst"});
    ASSERT_EQ(worst.exitCode, 0) << worst.err;
    EXPECT_NE(worst.out.find("detected by no candidate node"), std::string::npos) << worst.out;
    EXPECT_NE(worst.out.find("whatever the set: no set can improve it"), std::string::npos) << worst.out;
    // Over the events some node detects, a sensor on every node misses none.
    const json detectable = Place({"--sensors", "3", "--statistic", "worst", "--detectable-only"});
    EXPECT_LT(detectable["floor"]["worst"].get<double>(), 11520.0);
    for (const auto& note : detectable["notes"])
        EXPECT_EQ(note.get<std::string>().find("whatever the set"), std::string::npos) << note;
    for (const char* statistic : {"mean", "var", "cvar", "worst"})
        for (const char* objective : {"z1", "z2", "z3", "detect"}) {
            const ToolRun run = RunTool({"place", network_, "--sensors", "2", "--objective", objective, "--statistic",
                                         statistic, "--alpha", "0.9", "--json"});
            EXPECT_EQ(run.exitCode, 0) << objective << " " << statistic << ": " << run.err;
        }
}

// Ctrl-C while the exact model runs: the set reached is printed, and the
// exact model's line says a signal stopped it, not the time limit.
TEST_F(NetworkOnePlacement, AStopSignalIsNotCalledTheTimeLimit) {
    const std::string output = folder_->File("stopped.txt");
    tesmar_testing::RunningTool tool({"place", network_, "--sensors", "8", "--exact", "--statistic", "cvar"}, output);
    std::string line;
    while (tool.ReadErrorLine(line) && line.find("tesmar place:") == std::string::npos) {
    }
    tool.Signal(SIGINT);
    const ToolRun run = tool.Wait();
    const std::string text = testing_support::ReadText(output);
    EXPECT_EQ(run.exitCode, 130) << run.err << text;
    EXPECT_NE(text.find("Exact model: stopped by a signal"), std::string::npos) << text;
    EXPECT_EQ(text.find("time limit"), std::string::npos) << text;
}

struct BadPlace {
    const char* name;
    std::vector<std::string> options;
    const char* message;
};

class BadPlacement : public NetworkOnePlacement, public ::testing::WithParamInterface<BadPlace> {};

TEST_P(BadPlacement, ExitsTwoWithAClearMessage) {
    std::vector<std::string> args{"place", network_};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, BadPlacement,
    ::testing::Values(BadPlace{"UnknownFixedNode", {"--sensors", "3", "--fixed", "Q99"}, "no such node: 'Q99'"},
                      BadPlace{"UnknownExcludedNode", {"--sensors", "3", "--exclude", "Q98"}, "no such node: 'Q98'"},
                      BadPlace{"MoreSensorsThanNodes", {"--sensors", "145"}, "145"},
                      BadPlace{"FewerSensorsThanFixed", {"--sensors", "1", "--fixed", "J1", "J2"}, "fixed"},
                      BadPlace{"NoSensors", {"--sensors", "0"}, "sensor"},
                      BadPlace{"AlphaOutOfRange", {"--sensors", "2", "--alpha", "1.5"}, "alpha"},
                      BadPlace{"ExcludeAndCandidates", {"--sensors", "2", "--exclude", "J1", "--candidates", "x"},
                               "excludes"},
                      BadPlace{"MissingSensorCount", {"--curve"}, "give --sensors K, --budget B or both"},
                      BadPlace{"FixedAndExcludedNamesTheNode", {"--sensors", "2", "--fixed", "J10", "--exclude", "j10"},
                               "node J10 is both fixed and excluded"},
                      BadPlace{"SensorCountBeyond32Bits", {"--sensors", "99999999999"},
                               "--sensors: '99999999999' is out of range: from -2147483648 to 2147483647"},
                      BadPlace{"AlphaBeyondDoubles", {"--sensors", "2", "--alpha", "1e309"},
                               "--alpha: '1e309' is out of range"},
                      BadPlace{"ThreadsAsForABuild", {"--sensors", "2", "--threads", "100000"},
                               "--threads must be from 1 to 1024 (got 100000)"}),
    [](const ::testing::TestParamInfo<BadPlace>& info) { return std::string(info.param.name); });

TEST(Placement, AnEmptyCandidateListAndAMissingSummaryAreRefused) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(4));
    ASSERT_EQ(RunTool({"build", network, "--max-hours", "12", "--seed", "2"}).exitCode, 0);
    testing_support::WriteText(folder.File("none.txt"), "# no node at all\n");
    const ToolRun empty = RunTool({"place", network, "--sensors", "1", "--candidates", folder.File("none.txt")});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_NE(empty.err.find("names no node"), std::string::npos) << empty.err;

    fs::remove(matrix::EventSummaryFileName(network));
    EXPECT_EQ(RunTool({"place", network, "--sensors", "1"}).exitCode, 0);  // z1 needs no summary
    const ToolRun people = RunTool({"place", network, "--sensors", "1", "--objective", "z2"});
    EXPECT_EQ(people.exitCode, 2);
    EXPECT_NE(people.err.find("build the set again with this version of tesmar"), std::string::npos) << people.err;
}

// Input files that are not regular files are refused at once, never waited
// on: a FIFO with no writer would hold an open forever.
TEST(Placement, InputsThatAreNotRegularFilesAreRefusedWithoutWaiting) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(4));
    ASSERT_EQ(RunTool({"build", network, "--max-hours", "12", "--seed", "2"}).exitCode, 0);
    const std::string fifo = folder.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_directory(folder.File("folder"));
    tesmar_testing::ToolOptions options;
    options.hangSeconds = 120;
    auto expectRefused = [&](const std::vector<std::string>& args, const std::string& message) {
        const ToolRun run = RunTool(args, options);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    };
    expectRefused({"place", network, "--sensors", "1", "--candidates", fifo}, "fifo cannot be read: it is a FIFO");
    expectRefused({"place", network, "--sensors", "1", "--candidates", folder.File("folder")}, "it is a folder");
    expectRefused({"fitness", fifo, "J1"}, "fifo cannot be used: it is a FIFO");
    // A FIFO in place of a matrix file.
    const std::string z4 = matrix::MatrixFileName(network, 4);
    fs::remove(z4);
    fs::remove(matrix::BinaryFileName(network, 4));
    ASSERT_EQ(::mkfifo(z4.c_str(), 0644), 0);
    for (const auto& args : std::vector<std::vector<std::string>>{{"fitness", network, "J1"}, {"convert", network}}) {
        const ToolRun run = RunTool(args, options);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.exitCode, 128 + SIGALRM) << args[0] << " waited on the FIFO";
        EXPECT_NE(run.err.find("chain.inp.z4"), std::string::npos) << run.err;
    }
}

// Node IDs holding a terminal escape or bytes that are not UTF-8: printed
// escaped, and the JSON of place and fitness stays valid; a NUL in a
// candidates file cuts no message short.
TEST(Placement, HostileNodeIdsAreShownEscapedAndTheJsonStaysValid) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    std::string text = testing_support::ChainNetwork(3);
    const std::string escape = "E\x1b[2J", bytes = "B\xff\xfe";
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"J2 ", escape + " "}, {"J3 ", bytes + " "},
                                   {"J2\n", escape + "\n"}, {"J3\n", bytes + "\n"}})
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    testing_support::WriteText(network, text);
    const ToolRun build = RunTool({"build", network, "--max-hours", "12", "--seed", "2"});
    ASSERT_EQ(build.exitCode, 0) << build.err;

    const ToolRun place = RunTool({"place", network, "--sensors", "3", "--json"});
    ASSERT_EQ(place.exitCode, 0) << place.err;
    json placed;
    ASSERT_NO_THROW(placed = json::parse(place.out)) << place.out;
    const ToolRun fitness = RunTool({"fitness", network, escape, bytes, "--json"});
    ASSERT_EQ(fitness.exitCode, 0) << fitness.err;
    ASSERT_NO_THROW(json::parse(fitness.out)) << fitness.out;

    const ToolRun shown = RunTool({"place", network, "--sensors", "3"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out.find('\x1b'), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find('\xff'), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("E\\x1b[2J"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("B\\xff\\xfe"), std::string::npos) << shown.out;

    static constexpr char kCandidates[] = "J1 Q\0\x1b[31mX tail";  // a NUL and an escape inside an ID
    testing_support::WriteText(folder.File("candidates.txt"), std::string(kCandidates, sizeof kCandidates - 1));
    const ToolRun refused = RunTool({"place", network, "--sensors", "1", "--candidates", folder.File("candidates.txt")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err.find('\x1b'), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("'Q\\x00\\x1b[31mX'"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("is not a node of"), std::string::npos) << refused.err;
    const ToolRun unknown = RunTool({"fitness", network, "J1", "N\x1b]0;x\x07"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err.find('\x1b'), std::string::npos) << unknown.err;
}
