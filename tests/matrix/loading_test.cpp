#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "matrix/file_names.h"
#include "matrix/line_reader.h"
#include "matrix/matrix_loading.h"
#include "matrix_text.h"
#include "support/test_support.h"

using namespace matrix;
using matrix_testing::Header;
using matrix_testing::MatrixText;
using matrix_testing::WriteMatrixSet;
using testing_support::ScratchFolder;
using testing_support::WriteText;

namespace {

// Three nodes and three events; value = 100 * event + node in every file,
// and node 2 detects every event.
struct ThreeByThree : ::testing::Test {
    ScratchFolder dir;
    std::string network = dir.File("Network_1.inp");
    MatrixSet set;

    static std::string Values(int first, int last) {
        std::vector<std::vector<std::string>> rows;
        for (int e = first; e <= last; ++e)
            rows.push_back({std::to_string(100 * e + 1), std::to_string(100 * e + 2), std::to_string(100 * e + 3)});
        return MatrixText(3, rows);
    }
    static std::string Flags(int events) { return MatrixText(3, std::vector<std::vector<std::string>>(events, {"1", "1", "1"})); }

    std::optional<LoadProblem> Load(const LoadProgress& progress = {}) {
        LoadedMatrices loaded = LoadMatrixText(network, matrix_testing::NodeIds(3), progress);
        set = loaded.set;
        return loaded.problem;
    }

    void ExpectShape(std::int32_t nEvents) const {
        EXPECT_EQ(set.nEvents, nEvents);
        EXPECT_EQ(set.nNodes, 3);
        for (int k = 1; k <= 4; ++k) {
            if (set.Has(k)) {
                EXPECT_EQ(k == 4 ? set.Z4.nEvents() : set.Values(k).nEvents(), nEvents) << k;
            }
        }
    }
};

}  // namespace

TEST_F(ThreeByThree, RowsLandInNodesOneToNInTheOrderWritten) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 3), Flags(3));
    EXPECT_FALSE(Load());
    ExpectShape(3);
    for (int e = 1; e <= 3; ++e) {
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(set.Z1(n, e), 100.0f * e + n);
            EXPECT_EQ(set.Z2(n, e), 100.0f * e + n);
            EXPECT_EQ(set.Z3(n, e), 100.0f * e + n);
            EXPECT_EQ(set.Z4(n, e), 1);
        }
    }
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(set.Has(k));
}

TEST_F(ThreeByThree, MissingFilesAreAbsentWithoutAProblem) {
    WriteMatrixSet(network, Values(1, 3), "", Values(1, 3), Flags(3));
    EXPECT_FALSE(Load());
    ExpectShape(3);
    EXPECT_FALSE(set.Has(2));

    // Without the detection file there are no events at all.
    std::filesystem::remove(MatrixFileName(network, 4));
    EXPECT_FALSE(Load());
    ExpectShape(0);
}

TEST_F(ThreeByThree, RowsBeyondTheDetectionFileAreIgnored) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 5), Flags(3));
    EXPECT_FALSE(Load());
    ExpectShape(3);
    EXPECT_EQ(set.Z3(3, 3), 303.0f);
}

// Two sets held at once are values of their own.
TEST_F(ThreeByThree, TwoSetsAreHeldAtOnce) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 3), Flags(3));
    ScratchFolder other;
    WriteMatrixSet(other.File("Network_1.inp"), Values(4, 5), "", Values(4, 5), Flags(2));
    const LoadedMatrices design = LoadMatrixText(network, matrix_testing::NodeIds(3));
    const LoadedMatrices test = LoadMatrixText(other.File("Network_1.inp"), matrix_testing::NodeIds(3));
    EXPECT_EQ(design.set.nEvents, 3);
    EXPECT_EQ(test.set.nEvents, 2);
    EXPECT_EQ(design.set.Z1(1, 1), 101.0f);
    EXPECT_EQ(test.set.Z1(1, 1), 401.0f);
    EXPECT_TRUE(design.set.Has(2));
    EXPECT_FALSE(test.set.Has(2));
}

TEST_F(ThreeByThree, QuotedDescriptionsWithCommasDoNotShiftValues) {
    std::string description = "\"J,1\",5,\"a,b,,c\",\"\",7,\",\",999,999,999";
    WriteMatrixSet(network, MatrixText(3, {{"1", "2", "3"}}, description), "", "",
                   MatrixText(3, {{"1", "0", "1"}}, description));
    EXPECT_FALSE(Load());
    ASSERT_EQ(set.nEvents, 1);
    EXPECT_EQ(set.Z1(1, 1), 1.0f);
    EXPECT_EQ(set.Z1(3, 1), 3.0f);
    EXPECT_EQ(set.Z4(3, 1), 1);
}

TEST_F(ThreeByThree, AcceptsLineFeedsAMissingLastLineEndAndTrailingBlankLines) {
    std::string header = Header(3);
    header.erase(header.size() - 2, 1);  // LF only
    std::string z4 = header + matrix_testing::kDescription + ",1,0,1,\n" + matrix_testing::kDescription + ",0,1,0,";
    WriteText(MatrixFileName(network, 4), z4);
    WriteText(MatrixFileName(network, 1), MatrixText(3, {{"101", "102", "103"}, {"201", "202", "203"}}) + "\r\n\r\n");
    EXPECT_FALSE(Load());
    ExpectShape(2);
    EXPECT_EQ(set.Z4(2, 2), 1);
    EXPECT_EQ(set.Z1(3, 2), 203.0f);
}

TEST_F(ThreeByThree, ReadsEveryNumberForm) {
    WriteMatrixSet(network, MatrixText(3, {{"+1.5", "1.5E+02", " 7 "}, {"1e-40", "\"7\"", "3.4e38"}}), "", "",
                   MatrixText(3, {{"1.0", "1E0", "-0"}, {"0", "1.", "+1"}}));
    EXPECT_FALSE(Load());
    ASSERT_EQ(set.nEvents, 2);
    EXPECT_EQ(set.Z1(1, 1), 1.5f);
    EXPECT_EQ(set.Z1(2, 1), 150.0f);
    EXPECT_EQ(set.Z1(3, 1), 7.0f);
    EXPECT_EQ(set.Z1(1, 2), 1e-40f);  // too small for a normal float: kept as the nearest
    EXPECT_EQ(set.Z1(2, 2), 7.0f);
    EXPECT_EQ(set.Z1(3, 2), 3.4e38f);
    EXPECT_EQ(set.Z4(1, 1), 1);
    EXPECT_EQ(set.Z4(2, 1), 1);
    EXPECT_EQ(set.Z4(3, 1), 0);
    EXPECT_EQ(set.Z4(1, 2), 0);
    EXPECT_EQ(set.Z4(3, 2), 1);
}

// A fault anywhere keeps the events that every file gave whole and in
// agreement, names the file and the line, and leaves all matrices the same shape.
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
    WriteText(MatrixFileName(network, c.file), c.text);
    auto problem = Load();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->file, MatrixFileName(network, c.file));
    EXPECT_EQ(problem->line, c.line);
    EXPECT_NE(problem->what.find(c.words), std::string::npos) << problem->what;
    ExpectShape(c.events);
    std::string message = DescribeLoadProblem(*problem, set.nEvents);
    EXPECT_NE(message.find(problem->file + ", line " + std::to_string(c.line)), std::string::npos) << message;
}

const std::string kRow = matrix_testing::kDescription;
const std::string kHeader = Header(3);
const std::string kOtherRow = "\"J2\",9,479167,999,999,999,999,999,999";

INSTANTIATE_TEST_SUITE_P(
    Matrices, Malformed,
    ::testing::Values(
        MalformedCase{"EmptyDetectionFile", 4, "", 1, 0, "empty"},
        MalformedCase{"NoEventRow", 4, kHeader, 2, 0, "no event row"},
        MalformedCase{"TooFewFieldsInDetectionRow", 4, kHeader + kRow + ",0,1,0,\r\n" + kRow + ",0,1,\r\n", 3, 1,
                      "12 fields where 13"},
        MalformedCase{"TooManyFields", 4, kHeader + kRow + ",0,1,0,1,\r\n", 2, 0, "14 fields where 13"},
        MalformedCase{"NoTrailingComma", 4, kHeader + kRow + ",0,1,0,\r\n" + kRow + ",0,1,0\r\n", 3, 1, "fields"},
        MalformedCase{"FlagNeitherZeroNorOne", 4, kHeader + kRow + ",0,2,0,\r\n", 2, 0, "not a detection flag"},
        MalformedCase{"FlagFraction", 4, kHeader + kRow + ",0,0.5,0,\r\n", 2, 0, "not a detection flag"},
        MalformedCase{"NotANumber", 2, kHeader + kRow + ",1,2,3,\r\n" + kRow + ",1,x2,3,\r\n", 3, 1,
                      "\"x2\" for node 2 is not a number"},
        MalformedCase{"EmptyValue", 1, kHeader + kRow + ",1,,3,\r\n", 2, 0, "not a number"},
        MalformedCase{"Infinity", 3, kHeader + kRow + ",1,2,inf,\r\n", 2, 0, "not a number"},
        MalformedCase{"FloatOutOfRange", 1, kHeader + kRow + ",1,2,3,\r\n" + kRow + ",1e39,2,3,\r\n", 3, 1,
                      "out of range"},
        MalformedCase{"TooFewRows", 3, kHeader + kRow + ",1,2,3,\r\n" + kRow + ",1,2,3,\r\n", 4, 2,
                      "after 2 event rows where 3"},
        MalformedCase{"BlankLineInside", 4, kHeader + kRow + ",0,1,0,\r\n\r\n" + kRow + ",0,1,0,\r\n", 3, 1, "fields"},
        MalformedCase{"OpenQuote", 2, kHeader + "\"J1,5,1,999,999,999,999,999,999,1,2,3,\r\n", 2, 0, "closing quote"},
        // The matrices of another network, or of the same nodes in another order.
        MalformedCase{"HeaderOfOtherNodes", 1, "999,999,999,999,999,999,999,999,999,\"N1\",\"X2\",\"N3\",\r\n", 1, 0,
                      "names \"X2\" in the column of node 2, where the network has \"N2\""},
        MalformedCase{"HeaderInReverseOrder", 4, "999,999,999,999,999,999,999,999,999,\"N3\",\"N2\",\"N1\",\r\n", 1,
                      0, "does not belong to this network"},
        MalformedCase{"HeaderOfMoreNodes", 3, Header(4), 1, 0, "for the network's 3 nodes"},
        MalformedCase{"NoHeader", 4, kRow + ",1,1,1,\r\n" + kRow + ",1,1,1,\r\n", 1, 0, "header names"},
        // A .z2 from another build of the same network: other events.
        MalformedCase{"EventColumnsOfAnotherBuild", 2,
                      kHeader + kRow + ",1,2,3,\r\n" + kOtherRow + ",1,2,3,\r\n" + kRow + ",1,2,3,\r\n", 3, 1,
                      "event columns differ"},
        // Values no build writes.
        MalformedCase{"NegativeVolume", 3, kHeader + kRow + ",1,2,3,\r\n" + kRow + ",1,-2,3,\r\n", 3, 1,
                      "not the mark -1"},
        MalformedCase{"TimeBeforeTheFirstDay", 1, kHeader + kRow + ",-1441,2,3,\r\n", 2, 0, "negative time"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

// A node that carries contaminant before the first injection detects with a
// negative time: that is a value a build writes, and it loads.
TEST_F(ThreeByThree, NegativeTimesOfDetectingNodesLoad) {
    WriteMatrixSet(network, MatrixText(3, {{"-30", "-1", "11520"}}), "", "", MatrixText(3, {{"1", "1", "0"}}));
    EXPECT_FALSE(Load());
    EXPECT_EQ(set.Z1(1, 1), -30.0f);
    WriteMatrixSet(network, MatrixText(3, {{"-30", "5", "11520"}}), "", "", MatrixText(3, {{"0", "1", "0"}}));
    const auto problem = Load();
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->what.find("negative time"), std::string::npos) << problem->what;
}

TEST_F(ThreeByThree, ReportsProgressAndStopsWhenAsked) {
    // Large enough for several progress reports.
    std::vector<std::vector<std::string>> rows(8000, std::vector<std::string>(3, std::string(200, '0')));
    WriteMatrixSet(network, MatrixText(3, rows), "", "", Flags(8000));

    std::vector<double> seen;
    EXPECT_FALSE(Load([&](double f) {
        seen.push_back(f);
        return true;
    }));
    EXPECT_EQ(set.nEvents, 8000);
    ASSERT_GE(seen.size(), 2u);  // as it starts and when every file is read
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.front(), 0.0);
    EXPECT_EQ(seen.back(), 1.0);

    auto problem = Load([](double) { return false; });
    ASSERT_TRUE(problem);
    ExpectShape(0);
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

// Matrices that cannot fit are refused with the memory they need, before
// any is read, never by the system ending the program.
TEST_F(ThreeByThree, MatricesBeyondTheMemoryLimitAreRefusedWithTheirSize) {
    WriteMatrixSet(network, Values(1, 3), Values(1, 3), Values(1, 3), Flags(3));
    std::array<MatrixSource, 5> sources;
    for (int k = 1; k <= 4; ++k) sources[k] = FileSource(MatrixFileName(network, k));
    const LoadedMatrices loaded = LoadMatrices(sources, matrix_testing::NodeIds(3), {}, 1 << 20, 100);
    ASSERT_TRUE(loaded.problem);
    EXPECT_NE(loaded.problem->what.find("the matrices need 0.0 GB of memory"), std::string::npos) << loaded.problem->what;
    EXPECT_NE(loaded.problem->what.find("tesmar convert"), std::string::npos);
    EXPECT_EQ(loaded.set.nEvents, 0);
    // 3 events x 3 nodes x 13 bytes fit in 117.
    EXPECT_FALSE(LoadMatrices(sources, matrix_testing::NodeIds(3), {}, 1 << 20, 117).problem);
}
