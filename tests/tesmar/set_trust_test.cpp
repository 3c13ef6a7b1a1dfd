// What the commands do with a matrix set whose files disagree, hold values
// no build writes, or were left by a build that did not finish: they refuse
// it, read the text instead of the binary form, or say plainly what their
// figures rest on.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "matrix/file_names.h"
#include "matrix/npy_file.h"
#include "network/sha256.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace fs = std::filesystem;
using nlohmann::json;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

// A small network's set, built once; every test spoils a copy of its own.
class SetTrust : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = new testing_support::ScratchFolder;
        const std::string network = built_->File("net.inp");
        testing_support::WriteText(network, testing_support::ChainNetwork(8));
        const ToolRun build = RunTool({"build", network, "--max-hours", "12", "--seed", "7"});
        ASSERT_EQ(build.exitCode, 0) << build.err;
    }
    static void TearDownTestSuite() { delete built_; }

    void SetUp() override {
        for (const auto& entry : fs::directory_iterator(built_->path()))
            if (entry.path().extension() != ".lock") fs::copy_file(entry.path(), folder_.File(entry.path().filename()), fs::copy_options::overwrite_existing);
    }

    ToolRun Run(const std::string& command, std::vector<std::string> args) {
        args.insert(args.begin(), {command, network_});
        return RunTool(args);
    }

    // Overwrites bytes of a file in place.
    static void Put(const std::string& path, std::size_t at, const void* bytes, std::size_t n) {
        std::string text = testing_support::ReadText(path);
        ASSERT_LE(at + n, text.size());
        std::memcpy(text.data() + at, bytes, n);
        testing_support::WriteText(path, text);
    }
    // The offset of cell [event][node] (both from 1) of a binary matrix.
    std::size_t Cell(int k, std::int64_t event, std::int64_t node) const {
        const matrix::NpyHeader header = matrix::ReadNpyHeader(matrix::BinaryFileName(network_, k));
        return header.dataOffset + static_cast<std::size_t>((event - 1) * header.columns + node - 1) * (k == 4 ? 1 : 4);
    }
    // Makes the manifest one written before digests were recorded, so that
    // the checks that need none are what a test meets.
    void ForgetDigests() const {
        const std::string manifest = matrix::ManifestFileName(network_);
        json recorded = json::parse(testing_support::ReadText(manifest));
        recorded.erase("files");
        testing_support::WriteText(manifest, recorded.dump(2));
    }
    std::int64_t Events() const { return matrix::ReadNpyHeader(matrix::BinaryFileName(network_, 4)).rows; }
    std::int64_t Nodes() const { return matrix::ReadNpyHeader(matrix::BinaryFileName(network_, 4)).columns; }

    static testing_support::ScratchFolder* built_;
    testing_support::ScratchFolder folder_;
    std::string network_ = folder_.File("net.inp");
};

testing_support::ScratchFolder* SetTrust::built_ = nullptr;

}  // namespace

// A flag of 2 in the binary detection matrix would count as a detection for
// one reader and not for another: the binary form is refused, and fitness
// and place both read the text.
TEST_F(SetTrust, ABinaryFlagOtherThanZeroOrOneSendsEveryReaderToTheText) {
    ForgetDigests();
    const ToolRun fitness = Run("fitness", {"J8", "--json"});
    const ToolRun place = Run("place", {"--sensors", "2", "--json"});
    ASSERT_EQ(fitness.exitCode, 0) << fitness.err;
    ASSERT_EQ(place.exitCode, 0) << place.err;
    const std::string z4 = testing_support::ReadText(matrix::BinaryFileName(network_, 4));
    for (std::int64_t e = 1; e < Events(); ++e)  // the last row is compared with the text anyway
        for (std::int64_t n = 1; n <= Nodes(); ++n)
            if (z4[Cell(4, e, n)] == 0) {
                const std::uint8_t two = 2;
                Put(matrix::BinaryFileName(network_, 4), Cell(4, e, n), &two, 1);
            }
    for (const auto& [command, args, before] :
         {std::tuple{"fitness", std::vector<std::string>{"J8", "--json"}, fitness},
          std::tuple{"place", std::vector<std::string>{"--sensors", "2", "--json"}, place}}) {
        const ToolRun after = Run(command, args);
        EXPECT_EQ(after.exitCode, 0) << after.err;
        EXPECT_NE(after.err.find("is not 0 or 1"), std::string::npos) << command << ": " << after.err;
        json a = json::parse(after.out), b = json::parse(before.out);
        a.erase("seconds");
        b.erase("seconds");
        EXPECT_EQ(a, b) << command;
    }
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf + 1 - start));
    return lines;
}

// The quoted injection list of a summary line.
std::string Injections(const std::string& line) {
    const std::size_t open = line.find('"');
    return line.substr(open, line.find('"', open + 1) - open);
}

}  // namespace

// The summary of another build of the same network and size gives every
// missed event another event's penalty: it is refused, naming the first
// event whose injections differ.
TEST_F(SetTrust, AnEventSummaryFromAnotherBuildIsRefusedNamingTheFirstEventThatDiffers) {
    testing_support::ScratchFolder other;
    testing_support::WriteText(other.File("net.inp"), testing_support::ReadText(network_));
    ASSERT_EQ(RunTool({"build", other.File("net.inp"), "--max-hours", "12", "--seed", "8"}).exitCode, 0);
    const std::string summary = matrix::EventSummaryFileName(network_);
    const auto ours = Lines(testing_support::ReadText(summary));
    const auto theirs = Lines(testing_support::ReadText(matrix::EventSummaryFileName(other.File("net.inp"))));
    ASSERT_EQ(ours.size(), theirs.size());
    std::size_t first = 1;
    while (first < ours.size() && Injections(ours[first]) == Injections(theirs[first])) ++first;
    ASSERT_LT(first, ours.size()) << "the two builds drew the same events";
    fs::copy_file(matrix::EventSummaryFileName(other.File("net.inp")), summary, fs::copy_options::overwrite_existing);
    for (const char* command : {"place", "fitness", "report"}) {
        const ToolRun run = Run(command, std::string(command) == "place"    ? std::vector<std::string>{"--sensors", "2"}
                                         : std::string(command) == "fitness" ? std::vector<std::string>{"J3"}
                                                                             : std::vector<std::string>{"-o", folder_.File("p.html")});
        EXPECT_EQ(run.exitCode, 2) << command;
        EXPECT_NE(run.err.find("its event " + std::to_string(first) + " injects " + Injections(theirs[first])),
                  std::string::npos)
            << command << ": " << run.err;
    }
}

// A summary with events the records lack, or lacking events they hold, is
// refused; only a build that did not finish may leave the last record
// without its summary line (the writer writes that line last).
TEST_F(SetTrust, AnEventSummaryOfAnotherLengthIsRefusedUnlessTheBuildWasCutAfterItsLastRecord) {
    const std::string summary = matrix::EventSummaryFileName(network_);
    const std::string whole = testing_support::ReadText(summary);
    const auto lines = Lines(whole);
    const std::string events = std::to_string(lines.size() - 1);

    testing_support::WriteText(summary, whole + lines.back());
    ToolRun run = Run("fitness", {"J3"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("it holds event " + std::to_string(lines.size())), std::string::npos) << run.err;

    testing_support::WriteText(summary, whole.substr(0, whole.size() - lines.back().size()));
    run = Run("fitness", {"J3"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("it ends before event " + events), std::string::npos) << run.err;

    const std::string manifest = matrix::ManifestFileName(network_);
    json recorded = json::parse(testing_support::ReadText(manifest));
    recorded["outcome"] = "running";
    testing_support::WriteText(manifest, recorded.dump(2));
    run = Run("fitness", {"J3"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

namespace {

// Replaces line `line` (from 1) of a text file with what change makes of it.
void ChangeLine(const std::string& path, std::size_t line, const std::function<std::string(std::string)>& change) {
    auto lines = Lines(testing_support::ReadText(path));
    ASSERT_LT(line - 1, lines.size());
    lines[line - 1] = change(lines[line - 1]);
    std::string text;
    for (const auto& l : lines) text += l;
    testing_support::WriteText(path, text);
}

}  // namespace

// One bad value in the text drops every event from it on: the result says
// the set is partial and the commands exit 3, unless --accept-partial.
TEST_F(SetTrust, APartialSetIsNamedInEveryResultAndExitsThreeUnlessAccepted) {
    for (int k = 1; k <= 4; ++k) fs::remove(matrix::BinaryFileName(network_, k));
    const std::int64_t events = Lines(testing_support::ReadText(matrix::MatrixFileName(network_, 4))).size() - 1;
    ChangeLine(matrix::MatrixFileName(network_, 3), 7, [](std::string row) {
        const std::size_t last = row.rfind(",", row.size() - 4);  // the last node's value
        return row.substr(0, last + 1) + "-50,\r\n";
    });
    const std::string partial = "The set is partial: the figures use 5 of its " + std::to_string(events) + " events";

    ToolRun run = Run("place", {"--sensors", "2"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.out.find(partial), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(".z3, line 7,"), std::string::npos) << run.out;
    run = Run("place", {"--sensors", "2", "--json", "--accept-partial"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["partial"]["events_used"], 5);
    EXPECT_EQ(json::parse(run.out)["partial"]["events_held"], events);

    run = Run("fitness", {"J3"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.out.find(partial), std::string::npos) << run.out;
    run = Run("fitness", {"J3", "--json", "--accept-partial"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["partial"]["events_used"], 5);

    run = Run("report", {"-o", folder_.File("page.html"), "--sensors", "J3"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(testing_support::ReadText(folder_.File("page.html")).find(partial), std::string::npos);

    // A whole set gives none of it.
    SetUp();
    run = Run("place", {"--sensors", "2", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(json::parse(run.out)["partial"].is_null());
}

// A killed build leaves its manifest saying "running" with no event written:
// the report says the build did not finish and how many events its figures use.
TEST_F(SetTrust, AReportOnAKilledBuildSaysItDidNotFinishAndHowManyEventsItUses) {
    for (int k = 1; k <= 4; ++k) fs::remove(matrix::BinaryFileName(network_, k));
    for (const std::string& path : {matrix::MatrixFileName(network_, 1), matrix::MatrixFileName(network_, 2),
                                    matrix::MatrixFileName(network_, 3), matrix::MatrixFileName(network_, 4),
                                    matrix::EventSummaryFileName(network_)}) {
        const auto lines = Lines(testing_support::ReadText(path));
        std::string kept;
        for (std::size_t l = 0; l <= 10; ++l) kept += lines[l];  // the header and 10 events
        testing_support::WriteText(path, kept);
    }
    const std::string manifest = matrix::ManifestFileName(network_);
    json recorded = json::parse(testing_support::ReadText(manifest));
    const int planned = recorded["events"]["planned"];
    recorded["outcome"] = "running";
    recorded["events"]["written"] = 0;
    recorded["ended"] = "";
    recorded["elapsed_seconds"] = 0;
    testing_support::WriteText(manifest, recorded.dump(2));

    const ToolRun run = Run("report", {"-o", folder_.File("page.html"), "--sensors", "J3"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string page = testing_support::ReadText(folder_.File("page.html"));
    EXPECT_NE(page.find("The build of this set did not finish"), std::string::npos);
    EXPECT_NE(page.find("the figures use 10 events of the " + std::to_string(planned) + " planned"), std::string::npos);
    EXPECT_NE(page.find("never ended"), std::string::npos);
    EXPECT_EQ(page.find("0 of " + std::to_string(planned)), std::string::npos);
    EXPECT_EQ(page.find("(0 s)"), std::string::npos);

    const ToolRun fitness = Run("fitness", {"J3", "--json"});
    EXPECT_EQ(fitness.exitCode, 0) << fitness.err;
    EXPECT_NE(json::parse(fitness.out)["build_unfinished"].get<std::string>().find("did not finish"), std::string::npos);
}

// The manifest records every file's size and SHA-256 at the end of a build:
// a binary file whose middle rows were changed is not used (its last row
// still agrees with the text), and the figures are the text's.
TEST_F(SetTrust, ABinaryFileOtherThanTheBuildWroteIsNotUsed) {
    const json recorded = json::parse(testing_support::ReadText(matrix::ManifestFileName(network_)));
    ASSERT_EQ(recorded["files"].size(), 9u) << recorded["files"];  // four text, four binary, the summary
    for (const json& file : recorded["files"]) {
        const std::string bytes = testing_support::ReadText(network_ + file["file"].get<std::string>());
        EXPECT_EQ(file["bytes"], bytes.size()) << file;
        EXPECT_EQ(file["sha256"], network::Sha256Hex(bytes)) << file;
    }
    const ToolRun before = Run("fitness", {"J2", "J5"});
    ASSERT_EQ(before.exitCode, 0) << before.err;
    EXPECT_EQ(before.err.find("not used"), std::string::npos) << before.err;

    const std::string z1 = matrix::BinaryFileName(network_, 1);
    std::string bytes = testing_support::ReadText(z1);
    for (std::int64_t n = 1; n <= Nodes(); ++n) {  // a sound value, one minute later, in a middle row
        float minutes = 0;
        std::memcpy(&minutes, bytes.data() + Cell(1, Events() / 2, n), sizeof minutes);
        minutes += 1;
        std::memcpy(bytes.data() + Cell(1, Events() / 2, n), &minutes, sizeof minutes);
    }
    testing_support::WriteText(z1, bytes);
    const ToolRun after = Run("fitness", {"J2", "J5"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_NE(after.err.find(z1 + " is not the file its build wrote"), std::string::npos) << after.err;
    EXPECT_EQ(after.out, before.out);
}

// A manifest without digests (a build killed before its end, an older set)
// still opens the binary form, with the checks that need no digest; `tesmar
// convert` records the digests of the files it writes.
TEST_F(SetTrust, SetsWithoutDigestsOpenAndConvertRecordsThem) {
    ForgetDigests();
    ToolRun run = Run("fitness", {"J2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("not used"), std::string::npos) << run.err;

    for (int k = 1; k <= 4; ++k) fs::remove(matrix::BinaryFileName(network_, k));
    ASSERT_EQ(RunTool({"convert", network_}).exitCode, 0);
    const json recorded = json::parse(testing_support::ReadText(matrix::ManifestFileName(network_)));
    ASSERT_EQ(recorded["files"].size(), 9u);
    const std::string z4 = testing_support::ReadText(matrix::BinaryFileName(network_, 4));
    EXPECT_EQ(recorded["files"][7]["file"], ".z4.npy");
    EXPECT_EQ(recorded["files"][7]["sha256"], network::Sha256Hex(z4));
    EXPECT_EQ(json::parse(testing_support::ReadText(matrix::ManifestFileName(network_)))["format"], 1);
    run = Run("fitness", {"J2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("not used"), std::string::npos) << run.err;
}
