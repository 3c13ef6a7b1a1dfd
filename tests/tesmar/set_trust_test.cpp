// What the commands do with a matrix set whose files disagree, hold values
// no build writes, or were left by a build that did not finish: they refuse
// it, read the text instead of the binary form, or say plainly what their
// figures rest on.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "matrix/file_names.h"
#include "matrix/npy_file.h"
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
            if (entry.path().extension() != ".lock") fs::copy_file(entry.path(), folder_.File(entry.path().filename()));
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
