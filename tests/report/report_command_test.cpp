// `tesmar report` end to end: the page a real build gives, opened in
// headless Chromium; networks without coordinates; bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "headless_browser.h"
#include "support/prerequisite.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace fs = std::filesystem;
using testing_support::AttributeOf;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

class ReportCommand : public ::testing::Test {
protected:
    // Builds the network's matrices (a small random set) in the folder.
    std::string Build(const std::string& name, const std::string& text) {
        const std::string network = folder_.File(name);
        testing_support::WriteText(network, text);
        const ToolRun build = RunTool({"build", network, "--mode", "random", "--random-events", "60", "--seed", "3",
                                       "--max-hours", "24"});
        EXPECT_EQ(build.exitCode, 0) << build.err;
        return network;
    }

    // The page in the browser; skips where Chromium cannot run.
    std::string Dom(const std::string& page) {
        auto browser = testing_support::HeadlessBrowser::Find();
        if (!browser) return "";
        auto run = browser->DumpDom(testing_support::FileUrl(page));
        if (!run.ok && browser->Unusable()) return "";
        EXPECT_TRUE(run.ok) << run.problem;
        return run.output;
    }

    static int Number(const std::string& dom, const std::string& name) {
        const std::string text = AttributeOf(dom, "<body", "data-" + name).value_or("");
        return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoi(text) : -1;
    }

    testing_support::ScratchFolder folder_;
};

}  // namespace

TEST_F(ReportCommand, NetworkOneWithAnOptimisedSetShowsMapSensorsLegendAndCurve) {
    const std::string network =
        Build("Network_1.inp", testing_support::ReadText(testing_support::ExampleNetwork(1)));
    const std::string page = folder_.File("report.html");
    const ToolRun run = RunTool({"report", network, "--place", "5", "-o", page});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, page + "\n");
    const std::string html = testing_support::ReadText(page);
    EXPECT_NE(html.find("Z4 = "), std::string::npos);
    EXPECT_NE(html.find("Proven bound"), std::string::npos);
    EXPECT_NE(html.find("SHA-256"), std::string::npos);  // the manifest's parameters
    const std::string dom = Dom(page);
    if (dom.empty()) TESMAR_PREREQUISITE_MISSING("Chromium cannot run here");
    EXPECT_EQ(AttributeOf(dom, "<body", "data-ready"), "1");
    EXPECT_EQ(AttributeOf(dom, "<body", "data-map"), "drawn");
    EXPECT_EQ(Number(dom, "map-nodes"), 144);
    EXPECT_GT(Number(dom, "map-links"), 0);
    EXPECT_EQ(Number(dom, "map-sensors"), 5);
    EXPECT_EQ(Number(dom, "sensors-in-view"), 5);
    EXPECT_GT(Number(dom, "legend-classes"), 0);
    EXPECT_EQ(Number(dom, "curve-points"), 5);
    EXPECT_GT(Number(dom, "map-symbols"), 0);  // tanks, reservoir, pump, valves
}

TEST_F(ReportCommand, ANetworkWithoutCoordinatesGetsEverythingButTheMap) {
    Build("chain.inp", testing_support::ChainNetwork(5));
    const std::string page = folder_.File("chain.html");
    // Relative paths are taken from the folder the program starts in.
    const ToolRun run = RunTool({"report", "chain.inp", "--sensors", "J2", "J4", "-o", "chain.html"}, folder_.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, page + "\n");
    const std::string html = testing_support::ReadText(page);
    EXPECT_NE(html.find("Z1 = "), std::string::npos);
    const std::string dom = Dom(page);
    if (dom.empty()) TESMAR_PREREQUISITE_MISSING("Chromium cannot run here");
    EXPECT_EQ(AttributeOf(dom, "<body", "data-ready"), "1");
    EXPECT_EQ(AttributeOf(dom, "<body", "data-map"), "none");
    EXPECT_EQ(Number(dom, "curve-points"), 0);
}

TEST_F(ReportCommand, BadInputWritesNothing) {
    const std::string network = Build("chain.inp", testing_support::ChainNetwork(3));
    const std::string page = folder_.File("out.html");
    testing_support::WriteText(page, "the previous report");
    auto expectRefused = [&](std::vector<std::string> args, const std::string& message) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(testing_support::ReadText(page), "the previous report");
    };
    expectRefused({"report", network, "--sensors", "Q1", "-o", page}, "no such node: 'Q1'");
    expectRefused({"report", folder_.File("nowhere.inp"), "-o", page}, "does not exist");
    fs::remove(network + ".z4");
    expectRefused({"report", network, "-o", page}, ".z4 does not exist");
    expectRefused({"report", network, "-o", folder_.File("missing/folder/out.html")}, "cannot be written into");
    // Options that choose a set of --place are refused for a given set, not ignored.
    for (const char* option : {"--fixed J1", "--exact", "--curve"}) {
        std::vector<std::string> args{"report", network, "--sensors", "J2", "-o", page};
        const std::string text(option);
        args.push_back(text.substr(0, text.find(' ')));
        if (text.find(' ') != std::string::npos) args.push_back(text.substr(text.find(' ') + 1));
        expectRefused(args, args[6] + " chooses the set of --place");
    }
    for (const auto& entry : fs::directory_iterator(folder_.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tesmar-report"), std::string::npos) << entry.path();
}

TEST_F(ReportCommand, NeverWritesOverTheNetworkItsSetALockOrWhatIsNotARegularFile) {
    const std::string network = Build("chain.inp", testing_support::ChainNetwork(3));
    ASSERT_EQ(RunTool({"convert", network}).exitCode, 0);
    // Another network's set in the same folder, and a folder of its own.
    for (const char* suffix : {".z1", ".z2.npy", ".events.csv", ".build.json", ".lock"})
        testing_support::WriteText(folder_.File(std::string("other.inp") + suffix), "other's");
    fs::create_directory(folder_.File("sub"));
    fs::create_hard_link(network + ".z3", folder_.File("linked.html"));
    ASSERT_EQ(::mkfifo(folder_.File("fifo.html").c_str(), 0644), 0);
    fs::create_directory(folder_.File("folder.html"));
    fs::create_symlink(network, folder_.File("symlink.html"));

    std::map<std::string, std::string> before;
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path()))
        if (entry.is_regular_file()) before[entry.path().string()] = testing_support::ReadText(entry.path().string());
    std::vector<std::string> outputs{network, folder_.File("sub/../chain.inp"), folder_.File("linked.html"),
                                     folder_.File("fifo.html"), folder_.File("folder.html"),
                                     folder_.File("symlink.html")};
    for (const char* suffix : {".z1", ".z4", ".z1.npy", ".z4.npy", ".events.csv", ".build.json", ".lock"}) {
        outputs.push_back(network + suffix);
        outputs.push_back(folder_.File(std::string("other.inp") + suffix));
    }
    outputs.push_back(folder_.File("new.inp.z2"));  // a set's name, even where there is none yet
    for (const std::string& output : outputs) {
        const ToolRun run = RunTool({"report", network, "--sensors", "J2", "-o", output});
        EXPECT_EQ(run.exitCode, 2) << output << ": " << run.err;
        EXPECT_NE(run.err.find("will not be written to"), std::string::npos) << run.err;
    }
    for (const auto& [file, text] : before) EXPECT_EQ(testing_support::ReadText(file), text) << file;
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(folder_.File("fifo.html"))));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder_.File("symlink.html"))));
    EXPECT_FALSE(fs::exists(folder_.File("new.inp.z2")));
    // A plain file that is none of these is replaced as asked.
    testing_support::WriteText(folder_.File("old.html"), "old");
    EXPECT_EQ(RunTool({"report", network, "--sensors", "J2", "-o", folder_.File("old.html")}).exitCode, 0);
}
