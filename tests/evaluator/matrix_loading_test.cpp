#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "evaluator/fitness.h"
#include "evaluator/line_reader.h"
#include "matrix_text.h"
#include "support/test_support.h"

using namespace fitness;
using evaluator_testing::MatrixText;
using evaluator_testing::WriteMatrixSet;
using testing_support::ScratchFolder;
using testing_support::WriteText;

namespace {

// Three nodes and three events; value = 100 * event + node in every file,
// and node 2 detects every event.
struct ThreeByThree : ::testing::Test {
    ScratchFolder dir;
    std::string network = dir.File("Network_1.inp");
    std::int32_t nEvents = -1;

    static std::string Values(int first, int last) {
        std::vector<std::vector<std::string>> rows;
        for (int e = first; e <= last; ++e)
            rows.push_back({std::to_string(100 * e + 1), std::to_string(100 * e + 2), std::to_string(100 * e + 3)});
        return MatrixText(3, rows);
    }
    static std::string Flags(int events) { return MatrixText(3, std::vector<std::vector<std::string>>(events, {"0", "1", "0"})); }

    std::optional<LoadProblem> Load() { return LoadScenarioMatrices(network, 3, nEvents); }
};

void ExpectShape(std::int32_t nNodes, std::int32_t nEvents) {
    EXPECT_EQ(Z4Matrix.nEvents(), nEvents);
    EXPECT_EQ(Z1Matrix.nEvents(), nEvents);
    EXPECT_EQ(Z2Matrix.nEvents(), nEvents);
    EXPECT_EQ(Z3Matrix.nEvents(), nEvents);
    EXPECT_EQ(Z1Matrix.nNodes(), nNodes);
    EXPECT_EQ(Z4Matrix.nNodes(), nNodes);
}

}  // namespace

TEST_F(ThreeByThree, RowsLandInNodesOneToNInTheOrderWritten) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 3), Flags(3));
    EXPECT_FALSE(Load());
    EXPECT_EQ(nEvents, 3);
    ExpectShape(3, 3);
    for (int e = 1; e <= 3; ++e) {
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(Z1Matrix(n, e), 100.0f * e + n);
            EXPECT_EQ(Z2Matrix(n, e), 100.0f * e + n);
            EXPECT_EQ(Z3Matrix(n, e), 100.0f * e + n);
            EXPECT_EQ(Z4Matrix(n, e), n == 2 ? 1 : 0);
        }
        EXPECT_EQ(Z1Matrix(0, e), 0.0f);
    }
    for (int n = 0; n <= 3; ++n) EXPECT_EQ(Z1Matrix(n, 0), 0.0f);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(MatrixFileFound[k]);
}

TEST_F(ThreeByThree, MissingFilesLeaveZerosWithoutAProblem) {
    WriteMatrixSet(network, Values(1, 3), "", Values(1, 3), Flags(3));
    EXPECT_FALSE(Load());
    EXPECT_EQ(nEvents, 3);
    ExpectShape(3, 3);
    EXPECT_FALSE(MatrixFileFound[2]);
    for (int e = 0; e <= 3; ++e)
        for (int n = 0; n <= 3; ++n) EXPECT_EQ(Z2Matrix(n, e), 0.0f);

    // Without the detection file there are no events at all.
    std::filesystem::remove(MatrixFilePath(network, 4));
    EXPECT_FALSE(Load());
    EXPECT_EQ(nEvents, 0);
    ExpectShape(3, 0);
}

TEST_F(ThreeByThree, RowsBeyondTheDetectionFileAreIgnored) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 5), Flags(3));
    EXPECT_FALSE(Load());
    EXPECT_EQ(nEvents, 3);
    ExpectShape(3, 3);
    EXPECT_EQ(Z3Matrix(3, 3), 303.0f);
}

TEST_F(ThreeByThree, QuotedDescriptionsWithCommasDoNotShiftValues) {
    std::string description = "\"J,1\",5,\"a,b,,c\",\"\",7,\",\",999,999,999";
    WriteMatrixSet(network, MatrixText(3, {{"1", "2", "3"}}, description), "", "",
                   MatrixText(3, {{"1", "0", "1"}}, description));
    EXPECT_FALSE(Load());
    ASSERT_EQ(nEvents, 1);
    EXPECT_EQ(Z1Matrix(1, 1), 1.0f);
    EXPECT_EQ(Z1Matrix(3, 1), 3.0f);
    EXPECT_EQ(Z4Matrix(3, 1), 1);
}

TEST_F(ThreeByThree, AcceptsLineFeedsAMissingLastLineEndAndTrailingBlankLines) {
    std::string z4 = "header\n" + evaluator_testing::kDescription + ",1,0,1,\n" + evaluator_testing::kDescription +
                     ",0,1,0,";
    WriteText(MatrixFilePath(network, 4), z4);
    WriteText(MatrixFilePath(network, 1), Values(1, 2) + "\r\n\r\n");
    EXPECT_FALSE(Load());
    EXPECT_EQ(nEvents, 2);
    EXPECT_EQ(Z4Matrix(2, 2), 1);
    EXPECT_EQ(Z1Matrix(3, 2), 203.0f);
}

TEST_F(ThreeByThree, ReadsEveryNumberForm) {
    WriteMatrixSet(network, MatrixText(3, {{"+1.5", "1.5E+02", " -1 "}, {"1e-40", "\"7\"", "3.4e38"}}), "", "",
                   MatrixText(3, {{"1.0", "2E0", "-0"}, {"0.5", "1.5", "+1"}}));
    EXPECT_FALSE(Load());
    ASSERT_EQ(nEvents, 2);
    EXPECT_EQ(Z1Matrix(1, 1), 1.5f);
    EXPECT_EQ(Z1Matrix(2, 1), 150.0f);
    EXPECT_EQ(Z1Matrix(3, 1), -1.0f);
    EXPECT_EQ(Z1Matrix(1, 2), 1e-40f);  // too small for a normal float: kept as the nearest
    EXPECT_EQ(Z1Matrix(2, 2), 7.0f);
    EXPECT_EQ(Z1Matrix(3, 2), 3.4e38f);
    EXPECT_EQ(Z4Matrix(1, 1), 1);
    EXPECT_EQ(Z4Matrix(2, 1), 2);
    EXPECT_EQ(Z4Matrix(1, 2), 0);  // fractions round to the nearest, ties to even
    EXPECT_EQ(Z4Matrix(2, 2), 2);
    EXPECT_EQ(Z4Matrix(3, 2), 1);
}

// A fault anywhere keeps the events that every file gave whole, names the
// file and the line, and leaves all four matrices the same shape.
struct MalformedCase {
    const char* name;
    int file;             // which ".zk" holds the fault
    std::string text;     // its content
    std::int64_t line;    // where the fault is reported
    std::int32_t events;  // events kept
    const char* words;    // part of the description
};

class Malformed : public ThreeByThree, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(Malformed, KeepsTheWholeEventsAndNamesFileAndLine) {
    const MalformedCase& c = GetParam();
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 3), Flags(3));
    WriteText(MatrixFilePath(network, c.file), c.text);
    auto problem = Load();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->file, MatrixFilePath(network, c.file));
    EXPECT_EQ(problem->line, c.line);
    EXPECT_NE(problem->what.find(c.words), std::string::npos) << problem->what;
    EXPECT_EQ(nEvents, c.events);
    ExpectShape(3, c.events);
    std::string message = DescribeLoadProblem(*problem, nEvents);
    EXPECT_NE(message.find(problem->file + ", line " + std::to_string(c.line)), std::string::npos) << message;
}

const std::string kRow = evaluator_testing::kDescription;

INSTANTIATE_TEST_SUITE_P(
    Matrices, Malformed,
    ::testing::Values(
        MalformedCase{"EmptyDetectionFile", 4, "", 1, 0, "empty"},
        MalformedCase{"NoEventRow", 4, "header\r\n", 2, 0, "no event row"},
        MalformedCase{"TooFewFieldsInDetectionRow", 4, "h\r\n" + kRow + ",0,1,0,\r\n" + kRow + ",0,1,\r\n", 3, 1,
                      "12 fields where 13"},
        MalformedCase{"TooManyFields", 4, "h\r\n" + kRow + ",0,1,0,1,\r\n", 2, 0, "14 fields where 13"},
        MalformedCase{"NoTrailingComma", 4, "h\r\n" + kRow + ",0,1,0,\r\n" + kRow + ",0,1,0\r\n", 3, 1, "fields"},
        MalformedCase{"FlagOutOfRange", 4, "h\r\n" + kRow + ",0,40000,0,\r\n", 2, 0, "out of range"},
        MalformedCase{"NotANumber", 2, "h\r\n" + kRow + ",1,2,3,\r\n" + kRow + ",1,x2,3,\r\n", 3, 1,
                      "\"x2\" for node 2 is not a number"},
        MalformedCase{"EmptyValue", 1, "h\r\n" + kRow + ",1,,3,\r\n", 2, 0, "not a number"},
        MalformedCase{"Infinity", 3, "h\r\n" + kRow + ",1,2,inf,\r\n", 2, 0, "not a number"},
        MalformedCase{"FloatOutOfRange", 1, "h\r\n" + kRow + ",1,2,3,\r\n" + kRow + ",1e39,2,3,\r\n", 3, 1,
                      "out of range"},
        MalformedCase{"TooFewRows", 3, "h\r\n" + kRow + ",1,2,3,\r\n" + kRow + ",1,2,3,\r\n", 4, 2,
                      "after 2 event rows where 3"},
        MalformedCase{"BlankLineInside", 4, "h\r\n" + kRow + ",0,1,0,\r\n\r\n" + kRow + ",0,1,0,\r\n", 3, 1, "fields"},
        MalformedCase{"OpenQuote", 2, "h\r\n\"J1,5,1,999,999,999,999,999,999,1,2,3,\r\n", 2, 0, "closing quote"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST_F(ThreeByThree, ReportsProgressAndStopsWhenAsked) {
    // Large enough for several progress reports.
    std::vector<std::vector<std::string>> rows(8000, std::vector<std::string>(3, std::string(200, '0')));
    for (auto& row : rows) row[1] = "1";
    WriteMatrixSet(network, MatrixText(3, rows), "", "", Flags(8000));

    std::vector<double> seen;
    EXPECT_FALSE(LoadScenarioMatrices(network, 3, nEvents, [&](double f) { seen.push_back(f); return true; }));
    EXPECT_EQ(nEvents, 8000);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.front(), 0.0);
    EXPECT_LE(seen.back(), 1.0);

    auto problem = LoadScenarioMatrices(network, 3, nEvents, [](double) { return false; });
    ASSERT_TRUE(problem);
    EXPECT_EQ(nEvents, 0);
    ExpectShape(3, 0);
}

TEST(LineReader, GivesTheSameLinesWhateverTheBlockSize) {
    std::string longLine(300, 'x');
    std::string text = "a,b\r\n\nc\r\n" + longLine + "\nlast\r";
    for (std::size_t block = 1; block <= 9; ++block) {
        std::size_t offset = 0;
        LineReader reader(
            [&](char* dest, std::size_t room) {
                std::size_t n = std::min(room, text.size() - offset);
                text.copy(dest, n, offset);
                offset += n;
                return n;
            },
            block);
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.Next(line)) lines.emplace_back(line);
        EXPECT_EQ(lines, (std::vector<std::string>{"a,b", "", "c", longLine, "last"})) << "block " << block;
        EXPECT_EQ(reader.LineNumber(), 5);
        EXPECT_EQ(reader.BytesDone(), text.size());
    }
}
