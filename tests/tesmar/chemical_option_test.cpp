// tesmar build --chemical: a network that defines another water-quality
// analysis (water age, source trace, none, ug/L) is studied with a chemical
// in mg/L set through the toolkit, giving the very files a network defining
// that chemical gives; the network file stays as it was, the manifest
// records the option, and the start line says whether the chemical decays.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "matrix/manifest.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace fs = std::filesystem;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

using testing_support::Replaced;

namespace {

// The chain network with another analysis, and initial values for it that
// a chemical study must not take as concentrations.
std::string ChainWithAnalysis(const std::string& analysis) {
    return Replaced(Replaced(testing_support::ChainNetwork(5), "Quality Chemical mg/L", "Quality " + analysis),
                    "[TIMES]", "[QUALITY]\nJ1 5\nJ3 40\n\n[TIMES]");
}

// The files of the set beside a network, by their suffix, but the manifest.
std::map<std::string, std::string> DataFiles(const std::string& network) {
    std::map<std::string, std::string> files;
    for (const char* suffix : {".z1", ".z2", ".z3", ".z4", ".z1.npy", ".z2.npy", ".z3.npy", ".z4.npy", ".events.csv"})
        if (fs::exists(network + suffix)) files[suffix] = testing_support::ReadText(network + suffix);
    return files;
}

const std::vector<std::string> kShortBuild{"--mode", "random", "--random-events", "30", "--injections", "2",
                                           "--seed", "7", "--max-hours", "12"};

ToolRun Build(const std::string& network, std::vector<std::string> options) {
    std::vector<std::string> args{"build", network};
    args.insert(args.end(), kShortBuild.begin(), kShortBuild.end());
    args.insert(args.end(), options.begin(), options.end());
    return RunTool(args);
}

struct Analysis {
    const char* name;
    const char* options;  // the [OPTIONS] line's value
};

class ChemicalOption : public ::testing::TestWithParam<Analysis> {};

TEST_P(ChemicalOption, StudiesAChemicalWhateverTheNetworkDefines) {
    testing_support::ScratchFolder folder;
    const std::string chemical = folder.File("chemical.inp"), other = folder.File("other.inp");
    testing_support::WriteText(chemical, testing_support::ChainNetwork(5));
    const std::string text = ChainWithAnalysis(GetParam().options);
    testing_support::WriteText(other, text);

    const ToolRun refused = Build(other, {});
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_NE(refused.err.find("use --chemical to study a chemical anyway"), std::string::npos) << refused.err;
    EXPECT_TRUE(DataFiles(other).empty());

    const ToolRun reference = Build(chemical, {});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    const ToolRun run = Build(other, {"--chemical"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("; a chemical in mg/L (--chemical) that does not decay: the network sets no reaction "
                           "coefficient)"), std::string::npos)
        << run.err;
    const auto files = DataFiles(other);
    EXPECT_EQ(files.size(), 9u);
    EXPECT_EQ(files, DataFiles(chemical));
    EXPECT_EQ(testing_support::ReadText(other), text);
    // The toolkit's own quality solver studies the same chemical.
    const ToolRun toolkit = Build(other, {"--chemical", "--engine", "toolkit"});
    ASSERT_EQ(toolkit.exitCode, 0) << toolkit.err;
    EXPECT_EQ(DataFiles(other), files);

    const auto manifest = matrix::ReadManifest(other);
    ASSERT_TRUE(manifest);
    EXPECT_TRUE(manifest->parameters.chemical);
    EXPECT_FALSE(matrix::ReadManifest(chemical)->parameters.chemical);
    EXPECT_NE(testing_support::ReadText(other + ".build.json").find("\"chemical\": true"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Analyses, ChemicalOption,
                         ::testing::Values(Analysis{"WaterAge", "Age"}, Analysis{"SourceTrace", "Trace R1"},
                                           Analysis{"None", "None"}, Analysis{"Micrograms", "Chemical ug/L"}),
                         [](const ::testing::TestParamInfo<Analysis>& info) { return std::string(info.param.name); });

// Any bulk or wall coefficient that is not zero, of every pipe or of one,
// or a tank's, makes the chemical decay; the coefficients are the file's.
TEST(ChemicalOptionDecay, TheStartLineSaysWhetherTheChemicalDecays) {
    const std::string tank = Replaced(Replaced(ChainWithAnalysis("Age"), "[RESERVOIRS]",
                                               "[TANKS]\nT1 0 10 0 20 50 0\n\n[RESERVOIRS]"),
                                      "[TIMES]", "[PIPES]\nP9 J5 T1 1000 12 100 0 Open\n\n[TIMES]");
    const std::vector<std::pair<std::string, std::string>> networks{
        {"global bulk", Replaced(ChainWithAnalysis("Age"), "Global Bulk 0", "Global Bulk -0.5")},
        {"global wall", Replaced(ChainWithAnalysis("Trace R1"), "Global Wall 0", "Global Wall -0.2")},
        {"one pipe", Replaced(ChainWithAnalysis("Age"), "Global Wall 0", "Global Wall 0\nBulk P3 -1")},
        {"one tank", Replaced(tank, "Global Wall 0", "Global Wall 0\nTank T1 -1")},
        {"a tank without", tank}};
    testing_support::ScratchFolder folder;
    for (const auto& [what, text] : networks) {
        const std::string network = folder.File("net.inp");
        testing_support::WriteText(network, text);
        const ToolRun run = Build(network, {"--chemical"});
        ASSERT_EQ(run.exitCode, 0) << what << ": " << run.err;
        const bool decays = what != "a tank without";
        EXPECT_NE(run.err.find(decays ? "that decays by the network's reaction coefficients" : "that does not decay"),
                  std::string::npos)
            << what << ": " << run.err;
        EXPECT_EQ(testing_support::ReadText(network), text) << what;
    }
}

}  // namespace
