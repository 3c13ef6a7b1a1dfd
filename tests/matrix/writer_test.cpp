#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "matrix/file_names.h"
#include "matrix/matrix_writer.h"
#include "base/number_text.h"
#include "support/test_support.h"

using namespace matrix;
using testing_support::ReadText;

namespace {

// Three nodes "10", "11", "12".
class MatrixWriterTest : public ::testing::Test {
protected:
    const std::vector<std::string> ids_{"10", "11", "12"};

    // Encodes one event from its injections and per-node values.
    static EncodedEvent Encode(const std::vector<InjectionColumns>& injections, std::vector<std::uint8_t> flags,
                               std::vector<float> z1, std::vector<float> z2, std::vector<float> z3,
                               bool withZ2 = true) {
        EncodedEvent encoded;
        EventValues values{flags, z1, z2, z3, withZ2, 0, {}, 0.0f};
        EncodeEvent(injections, values, encoded);
        return encoded;
    }

    static InjectionColumns At(const char* node, int step) { return {node, step, 479167.0f}; }

    std::vector<std::string> Lines(int k) const {
        const std::string text = ReadText(MatrixFileName(path_, k));
        std::vector<std::string> lines;
        for (std::size_t begin = 0, end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2)
            lines.push_back(text.substr(begin, end - begin));
        return lines;
    }

    testing_support::ScratchFolder folder_;
    std::string path_ = folder_.File("Network_1.inp");
};

}  // namespace

TEST(NumberText, SinglesPrintPlainlyWithSevenDigits) {
    EXPECT_EQ(base::SevenDigitText(11520.0f), "11520");
    EXPECT_EQ(base::SevenDigitText(-1.0f), "-1");
    EXPECT_EQ(base::SevenDigitText(479167.0f), "479167");
    EXPECT_EQ(base::SevenDigitText(12345678.0f), "1.234568E+07");
    EXPECT_EQ(base::SevenDigitText(0.5f), "0.5");
    EXPECT_EQ(base::SevenDigitText(181.70f), "181.7");
    EXPECT_EQ(base::SevenDigitText(1.0f / 3), "0.3333333");
    EXPECT_EQ(base::SevenDigitText(0.0f), "0");
    EXPECT_EQ(base::SevenDigitText(-0.0f), "0");
    EXPECT_EQ(base::SevenDigitText(0.00001234f), "1.234E-05");
}

TEST_F(MatrixWriterTest, HeaderAndEventRecordsAreByteExact) {
    {
        MatrixWriter writer(path_, ids_, true);
        writer.Append(Encode({At("11", 5)}, {0, 1, 1}, {11520, 12.5f, 30}, {-1, 58.26311f, 12345678}, {-1, 50, 0.001f}));
        writer.Close();
        EXPECT_EQ(writer.EventsWritten(), 1);
        EXPECT_EQ(writer.FileNames(), (std::vector<std::string>{path_ + ".z1", path_ + ".z2", path_ + ".z3", path_ + ".z4"}));
    }
    const std::string header = "999,999,999,999,999,999,999,999,999,\"10\",\"11\",\"12\",\r\n";
    const std::string columns = "\"11\",5,479167,999,999,999,999,999,999,";
    EXPECT_EQ(ReadText(path_ + ".z4"), header + columns + "0,1,1,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z1"), header + columns + "11520,12.5,30,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z2"), header + columns + "-1,58.26311,1.234568E+07,\r\n");
    EXPECT_EQ(ReadText(path_ + ".z3"), header + columns + "-1,50,0.001,\r\n");
}

TEST_F(MatrixWriterTest, InjectionColumnsDescribeAtMostThreeInjections) {
    {
        MatrixWriter writer(path_, ids_, true);
        const std::vector<float> ones{1, 1, 1};
        writer.Append(Encode({At("10", 5), At("11", 6)}, {0, 0, 0}, ones, ones, ones));
        writer.Append(Encode({}, {0, 0, 0}, ones, ones, ones));
        writer.Append(Encode({At("10", 5), At("11", 6), At("12", 7)}, {0, 0, 0}, ones, ones, ones));
    }
    auto lines = Lines(1);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "\"10\",5,479167,\"11\",6,479167,999,999,999,1,1,1,");
    EXPECT_EQ(lines[2], "999,999,999,999,999,999,999,999,999,1,1,1,");
    EXPECT_EQ(lines[3], "\"10\",5,479167,\"11\",6,479167,\"12\",7,479167,1,1,1,");
}

TEST_F(MatrixWriterTest, WithoutZ2TheOldZ2FileIsRemovedAndNoneIsWritten) {
    for (int k = 1; k <= 4; ++k) testing_support::WriteText(MatrixFileName(path_, k), "old contents\r\n");
    {
        MatrixWriter writer(path_, ids_, false);
        writer.Append(Encode({At("10", 5)}, {1, 0, 0}, {5, 11520, 11520}, {}, {0, -1, -1}, false));
        EXPECT_EQ(writer.FileNames().size(), 3u);
    }
    EXPECT_FALSE(std::filesystem::exists(path_ + ".z2"));
    for (int k : {1, 3, 4}) {
        auto lines = Lines(k);
        ASSERT_EQ(lines.size(), 2u) << k;  // the old record is gone
        EXPECT_EQ(lines[0].substr(0, 4), "999,");
    }
}

TEST_F(MatrixWriterTest, FilesThatCannotBeReplacedStopWithTheirName) {
    // A folder under the ".z3" name can be neither removed nor replaced.
    std::filesystem::create_directories(path_ + ".z3/inside");
    try {
        MatrixWriter writer(path_, ids_, true);
        FAIL() << "an unusable matrix file went unnoticed";
    } catch (const MatrixFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path_ + ".z3"), std::string::npos) << e.what();
    }
}

// An old matrix file that is a link to another file: the link is replaced
// by a new file, and its target is never written.
TEST_F(MatrixWriterTest, ALinkInPlaceOfAMatrixFileIsNeverWrittenThrough) {
    const std::string target = folder_.File("precious.txt");
    testing_support::WriteText(target, "a user's file");
    std::filesystem::create_symlink(target, path_ + ".z1");
    {
        MatrixWriter writer(path_, ids_, true);
        const std::vector<float> ones{1, 1, 1};
        writer.Append(Encode({At("10", 5)}, {0, 0, 0}, ones, ones, ones));
    }
    EXPECT_EQ(ReadText(target), "a user's file");
    EXPECT_FALSE(std::filesystem::is_symlink(path_ + ".z1"));
    EXPECT_EQ(Lines(1).size(), 2u);
}

TEST_F(MatrixWriterTest, NonFiniteValuesAreNeverEncoded) {
    const std::vector<float> fives{5, 5, 5};
    EXPECT_THROW(Encode({At("10", 5)}, {1, 1, 1}, fives, {1, NAN, 1}, fives), RecordError);
    EXPECT_THROW(Encode({At("10", 5)}, {1, 1, 1}, fives, fives, {1, 1, INFINITY}), RecordError);
    EXPECT_THROW(Encode({{"10", 5, NAN}}, {1, 1, 1}, fives, fives, fives), RecordError);
}
