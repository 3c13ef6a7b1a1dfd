#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "base/atomic_file.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using base::WriteFileAtomically;
using testing_support::ReadText;
using testing_support::ScratchFolder;

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The error WriteFileAtomically reports when `write` runs in a child
// process (which may give up root's rights or limit file sizes first), or
// "no error".
std::string ErrorInChild(const std::function<void()>& write) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::string message = "no error";
        try {
            write();
        } catch (const std::exception& e) {
            message = e.what();
        }
        ssize_t ignored = ::write(fds[1], message.data(), message.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, got);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return message;
}

// Root may write anywhere; a child that drops to an unprivileged user may not.
void GiveUpRootRights() {
    if (::geteuid() != 0) return;
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) throw std::runtime_error("cannot drop root rights");
}

TEST(AtomicFile, WritesAndReplacesWholeFilesLeavingNothingElse) {
    ScratchFolder folder;
    std::string path = folder.File("report.html");
    WriteFileAtomically(path, "first version");
    EXPECT_EQ(ReadText(path), "first version");
    std::string large(3 << 20, 'x');
    WriteFileAtomically(path, large);
    EXPECT_EQ(ReadText(path), large);
    WriteFileAtomically(path, "");
    EXPECT_EQ(ReadText(path), "");
    EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"report.html"});
}

TEST(AtomicFile, NewFilesGetTheUsualPermissions) {
    ScratchFolder folder;
    mode_t mask = ::umask(022);
    ::umask(mask);
    WriteFileAtomically(folder.File("a.html"), "x");
    struct stat info {};
    ASSERT_EQ(::stat(folder.File("a.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(AtomicFile, PathWithoutFolderMeansTheCurrentOne) {
    ScratchFolder folder;
    fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    WriteFileAtomically("here.html", "content");
    fs::current_path(previous);
    EXPECT_EQ(ReadText(folder.File("here.html")), "content");
}

TEST(AtomicFile, MissingFolderIsAClearError) {
    ScratchFolder folder;
    std::string path = folder.File("missing/report.html");
    try {
        WriteFileAtomically(path, "x");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(folder.File("missing") + " does not exist"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(Entries(folder.path()).empty());
}

TEST(AtomicFile, UnwritableFolderIsAClearErrorAndKeepsTheOldFile) {
    ScratchFolder scratch;
    std::string folder = scratch.File("locked");
    fs::create_directory(folder);
    testing_support::WriteText(folder + "/report.html", "old report");
    fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    std::string message = ErrorInChild([&] {
        GiveUpRootRights();
        WriteFileAtomically(folder + "/report.html", "new report");
    });
    EXPECT_NE(message.find("the folder " + folder + " is not writable"), std::string::npos) << message;
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"report.html"});
    EXPECT_EQ(ReadText(folder + "/report.html"), "old report");
    fs::permissions(folder, fs::perms::owner_all);
}

TEST(AtomicFile, FailureWhileWritingLeavesNoPartAndKeepsTheOldFile) {
    ScratchFolder folder;
    std::string path = folder.File("report.html");
    WriteFileAtomically(path, "old report");
    std::string message = ErrorInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        WriteFileAtomically(path, std::string(1 << 20, 'n'));
    });
    EXPECT_NE(message.find("cannot write " + path + ": writing failed"), std::string::npos) << message;
    EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"report.html"});
    EXPECT_EQ(ReadText(path), "old report");
}

TEST(AtomicFile, FolderInTheWayIsAnErrorAndLeavesNoTemporaryFile) {
    ScratchFolder folder;
    std::string path = folder.File("report.html");
    fs::create_directory(path);
    testing_support::WriteText(path + "/keep.txt", "kept");
    EXPECT_THROW(WriteFileAtomically(path, "x"), std::runtime_error);
    EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"report.html"});
    EXPECT_EQ(ReadText(path + "/keep.txt"), "kept");
    EXPECT_THROW(WriteFileAtomically(folder.path() + "/", "x"), std::runtime_error);
}

}  // namespace

namespace {

// Unix socket bound at `path`; the descriptor stays open for the test's life.
int BoundSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot bind a socket at " + path);
    return fd;
}

TEST(AtomicFile, NeverReplacesWhatIsNotARegularFile) {
    ScratchFolder folder;
    const std::string fifo = folder.File("fifo.html"), link = folder.File("link.html");
    const std::string socket = folder.File("s.html"), device = folder.File("null.html");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    testing_support::WriteText(folder.File("kept.html"), "kept");
    fs::create_symlink("kept.html", link);
    const int socketFd = BoundSocket(socket);
    std::vector<std::string> targets{fifo, link, socket};
    // Root may make a device node; its replacement is what must never happen.
    if (::geteuid() == 0 && ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) targets.push_back(device);
    for (const std::string& target : targets) {
        try {
            WriteFileAtomically(target, "page");
            ADD_FAILURE() << target << " was replaced";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
        }
        struct stat status {};
        ASSERT_EQ(::lstat(target.c_str(), &status), 0) << target;
        EXPECT_FALSE(S_ISREG(status.st_mode)) << target;
    }
    EXPECT_EQ(ReadText(folder.File("kept.html")), "kept");
    ::close(socketFd);
    std::vector<std::string> expected{"fifo.html", "kept.html", "link.html", "s.html"};
    if (targets.size() == 4) expected.insert(expected.begin() + 3, "null.html");
    EXPECT_EQ(Entries(folder.path()), expected);
}

// Where links are replaced, the link itself gives way to the new file and
// what it pointed to stays as it was; a FIFO is still refused.
TEST(AtomicFile, ReplacesALinkItselfWhenAsked) {
    ScratchFolder folder;
    const std::string link = folder.File("set.json"), fifo = folder.File("fifo.json");
    testing_support::WriteText(folder.File("precious.txt"), "a user's file");
    fs::create_symlink("precious.txt", link);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    WriteFileAtomically(link, "new manifest", base::OldLink::Replace);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(link), "new manifest");
    EXPECT_EQ(ReadText(folder.File("precious.txt")), "a user's file");
    EXPECT_THROW(WriteFileAtomically(fifo, "x", base::OldLink::Replace), std::runtime_error);
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"fifo.json", "precious.txt", "set.json"}));
}

}  // namespace
