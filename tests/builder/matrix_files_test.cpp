#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "builder/matrix_files.h"
#include "builder/run_parameters.h"
#include "builder_fixture.h"
#include "network/netload.h"

using namespace builder;
using builder_testing::Lines;
using testing_support::ReadText;

namespace {

// Three nodes "10", "11", "12" without a toolkit: the writer reads only the tables.
class MatrixFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        network::nNodes = 3;
        network::NodeID = {"", "10", "11", "12"};
        colPollutionEvents.clear();
        path_ = folder_.File("Network_1.inp");
    }

    void AddEvent(int injections) {
        clsPollutionEvent event;
        for (int i = 1; i <= injections; ++i) {
            clsInjectionEvent injection;
            injection.evNodeID = std::to_string(9 + i);
            injection.evNodeInd = i;
            injection.evTime = 4 + i;
            injection.evPollutionLevel = 479167.0f;
            event.colInjectionEvent.push_back(injection);
        }
        event.nInjections = injections;
        colPollutionEvents.push_back(event);
    }

    void SetValues(std::vector<std::uint8_t> flags, std::vector<float> z1, std::vector<float> z2, std::vector<float> z3) {
        DetectedFlag = std::move(flags);
        Z1 = std::move(z1);
        Z2 = std::move(z2);
        Z3 = std::move(z3);
    }

    testing_support::ScratchFolder folder_;
    std::string path_;
};

}  // namespace

TEST_F(MatrixFilesTest, HeaderAndEventRecordsAreByteExact) {
    AddEvent(1);
    colPollutionEvents[0].colInjectionEvent[0].evNodeID = "11";
    colPollutionEvents[0].colInjectionEvent[0].evTime = 5;
    SetValues({0, 0, 1, 1}, {0, 11520, 12.5f, 30}, {0, -1, 58.26311f, 12345678}, {0, -1, 50, 0.001f});
    {
        MatrixFiles files;
        files.Create(path_, true);
        WriteMatrixRecords(files, true, 0);
        WriteMatrixRecords(files, false, 1);
    }
    const std::string header = "999,999,999,999,999,999,999,999,999,\"10\",\"11\",\"12\",\r\n";
    const std::string columns = "\"11\",5,479167,999,999,999,999,999,999,";
    EXPECT_EQ(ReadText(path_ + ".z4"), header + columns + "0,1,1,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z1"), header + columns + "11520,12.5,30,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z2"), header + columns + "-1,58.26311,1.234568E+07,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z3"), header + columns + "-1,50,0.001,\r\n");
}

TEST_F(MatrixFilesTest, InjectionColumnsDescribeAtMostThreeInjections) {
    AddEvent(2);
    AddEvent(0);
    AddEvent(5);
    SetValues({0, 0, 0, 0}, {0, 1, 1, 1}, {0, 1, 1, 1}, {0, 1, 1, 1});
    {
        MatrixFiles files;
        files.Create(path_, true);
        WriteMatrixRecords(files, true, 0);
        for (int k = 1; k <= 3; ++k) WriteMatrixRecords(files, false, k);
    }
    auto lines = Lines(path_ + ".z1");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "\"10\",5,479167,\"11\",6,479167,999,999,999,1,1,1,");
    EXPECT_EQ(lines[2], "999,999,999,999,999,999,999,999,999,1,1,1,");
    EXPECT_EQ(lines[3], "\"10\",5,479167,\"11\",6,479167,\"12\",7,479167,1,1,1,");
    for (auto& line : lines) EXPECT_EQ(builder_testing::Fields(line).size(), 12u) << line;
}

TEST_F(MatrixFilesTest, WithoutZ2TheOldZ2FileIsRemovedAndNoneIsWritten) {
    for (int k = 1; k <= 4; ++k) testing_support::WriteText(MatrixFileName(path_, k), "old contents\r\n");
    AddEvent(1);
    SetValues({0, 1, 0, 0}, {0, 5, 11520, 11520}, {0, -1, -1, -1}, {0, 0, -1, -1});
    {
        MatrixFiles files;
        files.Create(path_, false);
        WriteMatrixRecords(files, true, 0);
        WriteMatrixRecords(files, false, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(path_ + ".z2"));
    for (int k : {1, 3, 4}) {
        auto lines = Lines(MatrixFileName(path_, k));
        ASSERT_EQ(lines.size(), 2u) << k;  // the old record is gone
        EXPECT_EQ(lines[0].substr(0, 4), "999,");
    }
}

TEST_F(MatrixFilesTest, FilesThatCannotBeReplacedStopWithTheirName) {
    // A folder under the ".z3" name can be neither deleted nor opened as a file.
    std::filesystem::create_directories(path_ + ".z3/inside");
    MatrixFiles files;
    try {
        files.Create(path_, true);
        FAIL() << "an unusable matrix file went unnoticed";
    } catch (const MatrixFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path_ + ".z3"), std::string::npos) << e.what();
    }
}

TEST_F(MatrixFilesTest, NonFiniteValuesAreNeverWritten) {
    AddEvent(1);
    SetValues({0, 1, 1, 1}, {0, 5, 5, 5}, {0, 1, NAN, 1}, {0, 1, 1, INFINITY});
    MatrixFiles files;
    files.Create(path_, true);
    WriteMatrixRecords(files, true, 0);
    EXPECT_THROW(WriteMatrixRecords(files, false, 1), MatrixFileError);
    files.CloseAll();
    for (int k : {2, 3}) {
        std::string text = ReadText(MatrixFileName(path_, k));
        EXPECT_EQ(text.find("nan"), std::string::npos);
        EXPECT_EQ(Lines(MatrixFileName(path_, k)).size(), 1u) << "only the header may be there";
    }
}
