// Replays every input kept from fuzzing the matrix loader through the same
// fuzz target, so the normal test suite covers the faults it found.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(MatrixLoaderFuzzInputs, ReplayWithoutFault) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_INPUTS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
