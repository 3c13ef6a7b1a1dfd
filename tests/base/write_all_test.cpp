#include "base/write_all.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

// A buffer larger than a pipe holds arrives whole, in order, through the
// partial writes the pipe forces.
TEST(WriteAll, RepeatsPartialWritesUntilAllBytesArrive) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string sent(1 << 20, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 % 251);
    std::string received;
    std::thread reader([&] {
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(ends[0], chunk, sizeof chunk)) > 0) received.append(chunk, static_cast<std::size_t>(n));
    });
    const bool written = base::WriteAll(ends[1], sent);
    ::close(ends[1]);
    reader.join();
    ::close(ends[0]);
    EXPECT_TRUE(written);
    EXPECT_EQ(received, sent);
}

TEST(WriteAll, ReportsTheFailureInErrno) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[1]);
    errno = 0;
    EXPECT_FALSE(base::WriteAll(ends[1], "text"));
    EXPECT_EQ(errno, EBADF);
    ::close(ends[0]);
}

TEST(WriteAll, AtAnOffsetLeavesThePositionAlone) {
    char name[] = "/tmp/base-write-all-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(base::WriteAll(fd, "0123456789"));
    ASSERT_TRUE(base::WriteAllAt(fd, "ab", 2, 3));
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 10);
    char back[11] = {};
    EXPECT_EQ(::pread(fd, back, 10, 0), 10);
    EXPECT_STREQ(back, "012ab56789");
    ::close(fd);
    ::unlink(name);
}

}  // namespace
