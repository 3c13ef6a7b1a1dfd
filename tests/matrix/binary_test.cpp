// The binary form of a matrix set: .npy files as NumPy reads them, and how
// the loader uses them only when they agree with the text files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "matrix/binary_set.h"
#include "matrix/file_names.h"
#include "matrix/set_digests.h"
#include "matrix/matrix_store.h"
#include "matrix/npy_file.h"
#include "matrix_text.h"
#include "support/prerequisite.h"
#include "support/test_support.h"

using namespace matrix;
using testing_support::ScratchFolder;

namespace {

// Runs a Python program with NumPy; nothing when no Python here has NumPy.
std::optional<std::string> RunNumpy(const std::string& program) {
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string probe = std::string(python) + " -c 'import numpy' 2>/dev/null";
        if (std::system(probe.c_str()) != 0) continue;
        const std::string command = std::string(python) + " -c '" + program + "'";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return std::nullopt;
        std::string out;
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        ::pclose(pipe);
        return out;
    }
    return std::nullopt;
}

}  // namespace

TEST(NpyFile, RowsWrittenOneByOneAreWhatNumpyReads) {
    ScratchFolder dir;
    const std::string path = dir.File("m.npy");
    {
        NpyWriter writer(path, NpyType::Float32, 3);
        EXPECT_EQ(ReadNpyHeader(path).rows, 0);  // a valid empty matrix from the start
        const float first[] = {1.5f, -1.0f, 11520.0f}, second[] = {0.1f, 3.4e38f, 1e-40f};
        writer.AppendRow(first);
        writer.AppendRow(second);
        const NpyHeader header = ReadNpyHeader(path);
        EXPECT_EQ(header.rows, 2);
        EXPECT_EQ(header.columns, 3);
        EXPECT_EQ(header.type, NpyType::Float32);
        EXPECT_EQ(header.dataOffset % 64, 0u);
        writer.Truncate(1);
        EXPECT_EQ(ReadNpyHeader(path).rows, 1);
        writer.AppendRow(second);
    }
    const auto out = RunNumpy("import numpy as np\n"
                              "a = np.load(\"" + path + "\", mmap_mode=\"r\")\n"
                              "print(a.shape, a.dtype, a[0].tolist() == [1.5, -1.0, 11520.0],\n"
                              "      bool(a[1,0] == np.float32(0.1)), bool(a[1,1] == np.float32(3.4e38)))");
    if (!out) TESMAR_PREREQUISITE_MISSING("NumPy is not installed here");
    EXPECT_EQ(*out, "(2, 3) float32 True True True\n");
}

TEST(NpyFile, FlagsAreUint8) {
    ScratchFolder dir;
    const std::string path = dir.File("f.npy");
    {
        NpyWriter writer(path, NpyType::UInt8, 4);
        const std::uint8_t row[] = {0, 1, 1, 0};
        writer.AppendRow(row);
    }
    const auto out = RunNumpy("import numpy as np\n"
                              "a = np.load(\"" + path + "\")\n"
                              "print(a.shape, a.dtype, a.tolist())");
    if (!out) TESMAR_PREREQUISITE_MISSING("NumPy is not installed here");
    EXPECT_EQ(*out, "(1, 4) uint8 [[0, 1, 1, 0]]\n");
}

namespace {

// A set of three nodes and two events written as text, with its binary form.
class StoredSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        using matrix_testing::MatrixText;
        matrix_testing::WriteMatrixSet(network_, MatrixText(3, {{"10", "11520", "30.5"}, {"11520", "5", "11520"}}),
                                       MatrixText(3, {{"1.25", "-1", "2"}, {"-1", "7", "-1"}}),
                                       MatrixText(3, {{"100", "-1", "0.001"}, {"-1", "3", "-1"}}),
                                       MatrixText(3, {{"1", "0", "1"}, {"0", "1", "0"}}));
        const float z1[][3] = {{10, 11520, 30.5f}, {11520, 5, 11520}}, z2[][3] = {{1.25f, -1, 2}, {-1, 7, -1}},
                    z3[][3] = {{100, -1, 0.001f}, {-1, 3, -1}};
        const std::uint8_t z4[][3] = {{1, 0, 1}, {0, 1, 0}};
        WriteBinary(4, NpyType::UInt8, z4[0], z4[1]);
        WriteBinary(1, NpyType::Float32, z1[0], z1[1]);
        WriteBinary(2, NpyType::Float32, z2[0], z2[1]);
        WriteBinary(3, NpyType::Float32, z3[0], z3[1]);
    }

    void WriteBinary(int k, NpyType type, const void* first, const void* second) {
        std::filesystem::remove(BinaryFileName(network_, k));
        NpyWriter writer(BinaryFileName(network_, k), type, 3);
        writer.AppendRow(first);
        writer.AppendRow(second);
    }

    StoredSet Load() { return LoadMatrixSet({network_, ids_, ""}); }

    ScratchFolder dir_;
    std::string network_ = dir_.File("net.inp");
    std::vector<std::string> ids_ = matrix_testing::NodeIds(3);
};

}  // namespace

TEST_F(StoredSetTest, AgreeingBinaryFilesAreMappedAndHoldWhatTheTextSays) {
    const StoredSet binary = Load();
    ASSERT_TRUE(binary.fromBinary) << binary.binaryNote;
    EXPECT_FALSE(binary.loaded.problem);
    const LoadedMatrices text = LoadMatrixText(network_, ids_);
    ASSERT_EQ(binary.loaded.set.nEvents, 2);
    for (int e = 1; e <= 2; ++e)
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(binary.loaded.set.Z4(n, e), text.set.Z4(n, e));
            for (int k = 1; k <= 3; ++k) EXPECT_EQ(binary.loaded.set.Values(k)(n, e), text.set.Values(k)(n, e));
        }
}

// Binary files that do not agree are never trusted: the text is read, and
// the note says why.
struct BadBinary {
    const char* name;
    std::function<void(const std::string& network)> spoil;
    const char* why;
};

class SpoiltBinary : public StoredSetTest, public ::testing::WithParamInterface<BadBinary> {};

TEST_P(SpoiltBinary, IsIgnoredAndTheTextIsRead) {
    GetParam().spoil(network_);
    const StoredSet stored = Load();
    EXPECT_FALSE(stored.fromBinary);
    EXPECT_NE(stored.binaryNote.find(GetParam().why), std::string::npos) << stored.binaryNote;
    EXPECT_EQ(stored.loaded.set.nEvents, 2);
    EXPECT_EQ(stored.loaded.set.Z1(3, 1), 30.5f);
}

namespace {

void Rewrite(const std::string& path, const std::function<void(std::string&)>& change) {
    std::string bytes = testing_support::ReadText(path);
    change(bytes);
    testing_support::WriteText(path, bytes);
}

void ReplaceInHeader(std::string& bytes, const std::string& from, const std::string& to) {
    const std::size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos);
    std::string padded = to;
    padded.resize(std::max(from.size(), to.size()), ' ');
    bytes.replace(at, from.size(), padded);
}

// Sets cell [row][column] (0-based) of a float32 matrix of three columns.
void PutFloat(const std::string& path, std::size_t row, std::size_t column, float value) {
    Rewrite(path, [&](std::string& b) {
        const std::size_t end = b.size() - (1 - row) * 3 * sizeof(float);  // the matrices hold two rows
        std::memcpy(b.data() + end - (3 - column) * sizeof(float), &value, sizeof value);
    });
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Npy, SpoiltBinary,
    ::testing::Values(
        BadBinary{"Truncated", [](const std::string& n) { std::filesystem::resize_file(BinaryFileName(n, 1), 150); },
                  "more than the file holds"},
        BadBinary{"Foreign", [](const std::string& n) { testing_support::WriteText(BinaryFileName(n, 2), "PK\x03\x04 zip"); },
                  "not a .npy file"},
        BadBinary{"DoublePrecision",
                  [](const std::string& n) { Rewrite(BinaryFileName(n, 3), [](std::string& b) { ReplaceInHeader(b, "'<f4'", "'<f8'"); }); },
                  "<f8"},
        BadBinary{"BigEndian",
                  [](const std::string& n) { Rewrite(BinaryFileName(n, 1), [](std::string& b) { ReplaceInHeader(b, "'<f4'", "'>f4'"); }); },
                  "big-endian (>f4)"},
        BadBinary{"FortranOrder",
                  [](const std::string& n) {
                      Rewrite(BinaryFileName(n, 3), [](std::string& b) { ReplaceInHeader(b, "False", "True "); });
                  },
                  "Fortran order"},
        BadBinary{"ThreeDimensions",
                  [](const std::string& n) {
                      Rewrite(BinaryFileName(n, 1), [](std::string& b) { ReplaceInHeader(b, "(2, 3)", "(2, 3, 1)"); });
                  },
                  "two-dimensional"},
        BadBinary{"OtherNodeCount",
                  [](const std::string& n) {
                      Rewrite(BinaryFileName(n, 4), [](std::string& b) { ReplaceInHeader(b, "(2, 3)", "(3, 2)"); });
                  },
                  "2 columns where the network has 3 nodes"},
        BadBinary{"FewerRowsThanTheText",
                  [](const std::string& n) {
                      for (int k = 1; k <= 4; ++k)
                          Rewrite(BinaryFileName(n, k), [](std::string& b) { ReplaceInHeader(b, "(2, 3)", "(1, 3)"); });
                  },
                  "2 event records where the binary files hold 1"},
        BadBinary{"OtherValues",
                  [](const std::string& n) {
                      Rewrite(BinaryFileName(n, 2), [](std::string& b) { b[b.size() - 1] ^= 0x40; });
                  },
                  "last record of"},
        BadBinary{"FlagOtherThanZeroOrOne",
                  [](const std::string& n) { Rewrite(BinaryFileName(n, 4), [](std::string& b) { b[b.size() - 5] = 2; }); },
                  ".z4.npy, row 1: the detection flag 2 for node 2 is not 0 or 1"},
        BadBinary{"VolumeBelowTheMark",
                  [](const std::string& n) { PutFloat(BinaryFileName(n, 3), 0, 1, -50.0f); },
                  ".z3.npy, row 1: the value -50"},
        BadBinary{"PeopleBelowTheMark",
                  [](const std::string& n) { PutFloat(BinaryFileName(n, 2), 0, 0, -0.5f); },
                  ".z2.npy, row 1: the value -0.5"},
        BadBinary{"NegativeTimeOfANodeThatDoesNotDetect",
                  [](const std::string& n) { PutFloat(BinaryFileName(n, 1), 0, 1, -5.0f); },
                  ".z1.npy, row 1: the value -5"},
        BadBinary{"OneMissing", [](const std::string& n) { std::filesystem::remove(BinaryFileName(n, 3)); },
                  ".z3.npy is missing"}),
    [](const ::testing::TestParamInfo<BadBinary>& info) { return std::string(info.param.name); });

TEST_F(StoredSetTest, WithoutBinaryFilesTheTextIsReadWithoutANote) {
    for (int k = 1; k <= 4; ++k) std::filesystem::remove(BinaryFileName(network_, k));
    const StoredSet stored = Load();
    EXPECT_FALSE(stored.fromBinary);
    EXPECT_TRUE(stored.binaryNote.empty());
    EXPECT_EQ(stored.loaded.set.nEvents, 2);
}

// The digests a build records prove the binary files belong with the text:
// any recorded file changed in size, a binary file changed anywhere, one
// not recorded, or a record naming no file of a set keeps the binary form out.
TEST_F(StoredSetTest, RecordedDigestsKeepOutBinaryFilesTheBuildDidNotLeave) {
    const std::vector<FileDigest> recorded = DigestSetFiles(network_);
    ASSERT_EQ(recorded.size(), 8u);  // no event summary here
    EXPECT_TRUE(LoadBinarySet(network_, ids_, recorded).set);

    auto whyNot = [&](const std::vector<FileDigest>& digests) { return LoadBinarySet(network_, ids_, digests).whyNot; };
    std::vector<FileDigest> without = recorded;
    without.erase(without.begin() + 6);  // .z3.npy
    EXPECT_NE(whyNot(without).find(".z3.npy is not among the files"), std::string::npos) << whyNot(without);
    std::vector<FileDigest> foreign = recorded;
    foreign[0].name = "/../elsewhere";
    EXPECT_NE(whyNot(foreign).find("that is not of a matrix set"), std::string::npos) << whyNot(foreign);
    std::vector<FileDigest> other = recorded;
    other[5].sha256[0] = other[5].sha256[0] == '0' ? '1' : '0';
    EXPECT_NE(whyNot(other).find(".z2.npy is not the file its build wrote"), std::string::npos) << whyNot(other);

    testing_support::WriteText(MatrixFileName(network_, 1), testing_support::ReadText(MatrixFileName(network_, 1)) + "\r\n");
    EXPECT_NE(whyNot(recorded).find(".z1 holds"), std::string::npos) << whyNot(recorded);
    EXPECT_TRUE(LoadBinarySet(network_, ids_).set) << "without digests only the other checks apply";
}
