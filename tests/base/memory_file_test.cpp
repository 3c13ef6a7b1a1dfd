// An in-memory file is opened by name as the toolkit opens its files: each
// opening from the start, what one writes seen by the next, nothing on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/memory_file.h"

namespace {

std::string ReadByName(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "cannot open";
    std::string text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    return text;
}

TEST(MemoryFile, EveryOpeningReadsTheBytesAndSeesWhatAnotherWrote) {
    std::string bytes(100000, 'a');
    bytes += "[END]\n";
    const base::MemoryFile file("a test", bytes);
    EXPECT_EQ(file.Path().rfind("/proc/self/fd/", 0), 0u) << file.Path();
    EXPECT_EQ(ReadByName(file.Path()), bytes);
    EXPECT_EQ(ReadByName(file.Path()), bytes);  // again from the start

    const base::MemoryFile empty("another test");
    EXPECT_EQ(ReadByName(empty.Path()), "");
    std::FILE* f = std::fopen(empty.Path().c_str(), "w+b");  // as the toolkit saves its results
    ASSERT_NE(f, nullptr);
    std::fputs("hydraulics", f);
    std::fclose(f);
    EXPECT_EQ(ReadByName(empty.Path()), "hydraulics");
    EXPECT_EQ(ReadByName(file.Path()), bytes);
}

}  // namespace
