// What a build leaves beside the network besides the text matrices: their
// binary form, the event summary and the manifest.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "builder/build.h"
#include "builder_fixture.h"
#include "matrix/file_names.h"
#include "matrix/manifest.h"
#include "matrix/matrix_store.h"
#include "matrix/npy_file.h"
#include "matrix/text_to_binary.h"
#include "network/project.h"
#include "network/sha256.h"

using namespace builder;
using builder_testing::Lines;
namespace fs = std::filesystem;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        net_ = builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(3));
        ids_ = std::vector<std::string>(net_.NodeID.begin() + 1, net_.NodeID.end());
    }

    BuildOutcome Build(BuildDescription description, const BuildHost& host = {}) {
        return RunBuild(net_, description, host);
    }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    std::vector<std::string> ids_;
};

BuildDescription RandomEvents(int events, int injections, bool reference = false) {
    BuildDescription description = reference ? builder_testing::Reference(31) : builder_testing::Workers(2, 31);
    description.parameters.Mode = EventMode::RandomEvents;
    description.parameters.nRandomEvents = events;
    description.parameters.nInjectionsPerEvent = injections;
    description.parameters.MaxSimDuration = 24;
    return description;
}

}  // namespace

// Every cell of the binary files is the single a reader of the text gets,
// and the converter writes the very same files from the text alone.
TEST_F(StoreTest, BinaryFormHoldsWhatTheTextSaysAndConversionWritesTheSameBytes) {
    ASSERT_EQ(Build(RandomEvents(20, 4)).status, BuildStatus::Completed);
    const matrix::LoadedMatrices text = matrix::LoadMatrixText(net_.path, ids_);
    const matrix::StoredSet binary = matrix::LoadMatrixSet({net_.path, ids_, net_.file->Sha256()});
    ASSERT_TRUE(binary.fromBinary) << binary.binaryNote;
    ASSERT_EQ(binary.loaded.set.nEvents, 20);
    ASSERT_EQ(text.set.nEvents, 20);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(std::memcmp(binary.loaded.set.Values(k).Cells(), text.set.Values(k).Cells(), 20 * 4 * sizeof(float)), 0) << k;
    EXPECT_EQ(std::memcmp(binary.loaded.set.Z4.Cells(), text.set.Z4.Cells(), 20 * 4), 0);

    std::string written[5];
    for (int k = 1; k <= 4; ++k) {
        written[k] = testing_support::ReadText(matrix::BinaryFileName(net_.path, k));
        fs::remove(matrix::BinaryFileName(net_.path, k));
    }
    const matrix::Conversion conversion = matrix::ConvertToBinary(net_.path, ids_);
    EXPECT_EQ(conversion.events, 20);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(testing_support::ReadText(matrix::BinaryFileName(net_.path, k)), written[k]) << k;
}

TEST_F(StoreTest, ManifestRecordsWhatTheSetWasBuiltFromAndHowItEnded) {
    BuildDescription description = RandomEvents(6, 2, true);  // one event at a time: the stop lands after the third
    description.program = "tesmar 9.9";
    builder_testing::RecordingHost host;
    host.stopWhen = [](const builder_testing::RecordingHost& h) { return h.progress.back().done >= 3; };
    const BuildOutcome outcome = Build(description, host.Host());
    ASSERT_EQ(outcome.status, BuildStatus::Stopped);
    const auto manifest = matrix::ReadManifest(net_.path);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->program, "tesmar 9.9");
    EXPECT_EQ(manifest->networkName, "chain.inp");
    EXPECT_EQ(manifest->networkSha256, network::Sha256Hex(testing_support::ReadText(net_.path)));
    EXPECT_EQ(manifest->networkBytes, fs::file_size(net_.path));
    EXPECT_EQ(manifest->nodes, 4);
    EXPECT_EQ(manifest->parameters.mode, "random");
    EXPECT_EQ(manifest->parameters.injectionsPerEvent, 2);
    EXPECT_EQ(manifest->parameters.maxHours, 24);
    EXPECT_EQ(manifest->parameters.beta, 0.34f);
    EXPECT_EQ(manifest->seed, 31u);
    EXPECT_EQ(manifest->workers, 1);
    EXPECT_EQ(manifest->eventsPlanned, 6);
    EXPECT_EQ(manifest->eventsWritten, outcome.eventsWritten);
    EXPECT_EQ(manifest->outcome, "stopped");
    EXPECT_FALSE(manifest->started.empty());
    EXPECT_FALSE(manifest->ended.empty());
    // The stopped set is whole in every form: text, binary and summary agree.
    const std::size_t events = static_cast<std::size_t>(outcome.eventsWritten);
    EXPECT_EQ(Lines(matrix::EventSummaryFileName(net_.path)).size(), events + 1);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(matrix::ReadNpyHeader(matrix::BinaryFileName(net_.path, k)).rows, outcome.eventsWritten);
    EXPECT_TRUE(matrix::LoadMatrixSet({net_.path, ids_, net_.file->Sha256()}).fromBinary);
}

// Old files that are links to elsewhere are replaced, never written through.
TEST_F(StoreTest, LinksInPlaceOfTheSetsFilesAreReplaced) {
    const std::string target = folder_.File("precious.txt");
    testing_support::WriteText(target, "a user's file");
    for (const std::string& name : {matrix::BinaryFileName(net_.path, 1), matrix::ManifestFileName(net_.path),
                                    matrix::EventSummaryFileName(net_.path)})
        fs::create_symlink(target, name);
    ASSERT_EQ(Build(RandomEvents(2, 1)).status, BuildStatus::Completed);
    EXPECT_EQ(testing_support::ReadText(target), "a user's file");
    for (const std::string& name : {matrix::BinaryFileName(net_.path, 1), matrix::ManifestFileName(net_.path),
                                    matrix::EventSummaryFileName(net_.path)})
        EXPECT_FALSE(fs::is_symlink(name)) << name;
}

namespace {

// The standard normal distribution function, from the error function.
double Phi(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

struct Impact {
    double people = 0, volume = 0;
};

// The impact of one injection at J1 from step 0 when no sensor detects it,
// worked out directly from the toolkit's concentrations and demands with
// the defaults: 2 h of 479167 mg/min, 96 h, 5-minute steps, gallons per minute.
Impact DirectImpact(const network::Network& net) {
    const int step = 300, duration = 96 * 3600, nNodes = net.nNodes;
    network::Project project(*testing_support::Toolkit());
    net.OpenToSolve(project);
    project.SetTimeParam(EN_DURATION, duration);
    for (int n = 1; n <= nNodes; ++n) project.SetNodeValue(n, EN_SOURCETYPE, EN_MASS);
    project.SolveH();
    project.OpenQ();
    project.InitQ(EN_NOSAVE);
    std::vector<std::vector<double>> demand, conc;  // by recorded step and node
    long t = -step, tleft = 0;
    do {
        const long next = t + step;
        project.SetNodeValue(1, EN_SOURCEQUAL, next >= 0 && next < 7200 ? 479167.0 : 0.0);
        t = project.RunQ();
        if (t % step == 0) {
            demand.emplace_back(nNodes + 1, 0.0);
            conc.emplace_back(nNodes + 1, 0.0);
            for (int n = 1; n <= nNodes; ++n) {
                conc.back()[n] = project.NodeValue(n, EN_QUALITY);
                // The final time is not part of the baseline's demands.
                if (t < duration && project.NodeType(n) == EN_JUNCTION) demand.back()[n] = project.NodeValue(n, EN_DEMAND);
            }
        }
        tleft = project.StepQ();
    } while (tleft != 0);
    Impact impact;
    for (int n = 1; n <= nNodes; ++n) {
        double drawn = 0, exposure = 0;
        for (std::size_t s = 0; s < demand.size(); ++s) drawn += demand[s][n] * step / 60.0;
        if (drawn == 0) continue;
        const double daily = drawn / 4, perMinute = daily / 1440, population = 3.785412 * daily / 300;
        for (std::size_t s = 0; s < demand.size(); ++s) {
            exposure += demand[s][n] / perMinute * conc[s][n];
            if (conc[s][n] > 0.3) impact.volume += demand[s][n] * step / 60.0;
        }
        const double dose = exposure * 2.0 * step / 86400.0;
        if (dose > 0) impact.people += Phi(0.34 * std::log10(dose / 70.0 / 41.0)) * population;
    }
    return impact;
}

}  // namespace

TEST_F(StoreTest, UndetectedImpactMatchesADirectComputation) {
    BuildDescription description = builder_testing::Reference();
    description.random = [] { return 0.0; };  // J1 at step 0
    description.parameters.Mode = EventMode::RandomEvents;
    description.parameters.nRandomEvents = 1;
    ASSERT_EQ(Build(description).status, BuildStatus::Completed);
    const auto lines = Lines(matrix::EventSummaryFileName(net_.path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "event,injection_count,injections,nodes_detecting,minutes_to_last_detection,"
                        "undetected_people_affected,undetected_volume_consumed");
    const auto fields = builder_testing::Fields(lines[1]);
    ASSERT_EQ(fields.size(), 7u) << lines[1];
    EXPECT_EQ(fields[0], "1");
    EXPECT_EQ(fields[1], "1");
    EXPECT_EQ(fields[2], "\"J1 0 479167\"");
    EXPECT_EQ(fields[3], "3");  // the three junctions downstream of the reservoir
    // The last junction's first detection, as its Z1 says.
    EXPECT_EQ(fields[4], builder_testing::Fields(Lines(matrix::MatrixFileName(net_.path, 1))[1])[11]);

    const Impact direct = DirectImpact(net_);
    ASSERT_GT(direct.people, 0.0);
    EXPECT_NEAR(std::stod(fields[5]), direct.people, 1e-4 * direct.people);
    EXPECT_NEAR(std::stod(fields[6]), direct.volume, 1e-5 * direct.volume);
}

TEST_F(StoreTest, WithoutZ2TheSummaryLeavesPeopleEmpty) {
    BuildDescription description = RandomEvents(3, 1);
    description.parameters.NoZ2 = true;
    ASSERT_EQ(Build(description).status, BuildStatus::Completed);
    EXPECT_FALSE(fs::exists(matrix::BinaryFileName(net_.path, 2)));
    for (const std::string& line : Lines(matrix::EventSummaryFileName(net_.path))) {
        if (line.rfind("event,", 0) == 0) continue;
        const auto fields = builder_testing::Fields(line);
        ASSERT_EQ(fields.size(), 7u) << line;
        EXPECT_EQ(fields[5], "") << line;
        EXPECT_FALSE(fields[6].empty()) << line;
    }
}
