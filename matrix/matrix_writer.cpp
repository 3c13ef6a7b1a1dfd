#include "matrix/matrix_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "matrix/file_names.h"

namespace matrix {

namespace {

std::string SystemError() { return std::strerror(errno); }

// Writes all of text at the current end; false with errno set when it cannot.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

MatrixWriter::MatrixWriter(const std::string& networkPath, std::span<const std::string> nodeIds, bool withZ2)
    : networkPath_(networkPath), withZ2_(withZ2) {
    for (int k : {4, 1, 2, 3}) {
        const std::string name = MatrixFileName(networkPath_, k);
        if (::unlink(name.c_str()) != 0 && errno != ENOENT)
            throw MatrixFileError("Cannot remove the old matrix file " + name + ": " + SystemError());
    }
    try {
        for (int k = 1; k <= 4; ++k)
            if (k != 2 || withZ2_) Create(k);
        const std::string header = HeaderRecord(nodeIds);
        for (int k = 1; k <= 4; ++k)
            if (fds_[k] >= 0) Write(k, header);
    } catch (...) {
        for (int& fd : fds_)
            if (fd >= 0) ::close(fd), fd = -1;
        throw;
    }
}

MatrixWriter::~MatrixWriter() {
    for (int fd : fds_)
        if (fd >= 0) ::close(fd);
}

// A new file only: never one that reappeared since the removal, and never
// through a symbolic link.
void MatrixWriter::Create(int k) {
    paths_[k] = MatrixFileName(networkPath_, k);
    fds_[k] = ::open(paths_[k].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fds_[k] < 0) throw MatrixFileError("Cannot create the matrix file " + paths_[k] + ": " + SystemError());
    names_.push_back(paths_[k]);
}

void MatrixWriter::Write(int k, const std::string& record) {
    const off_t before = ::lseek(fds_[k], 0, SEEK_END);
    if (before >= 0 && WriteAll(fds_[k], record)) return;
    const std::string why = SystemError();
    // Cut off what part of the record reached the file, so it ends with a whole record.
    if (before >= 0 && ::ftruncate(fds_[k], before) == 0) ::lseek(fds_[k], before, SEEK_SET);
    throw MatrixFileError("Cannot write the matrix file " + paths_[k] + ": " + why);
}

void MatrixWriter::Append(const EncodedEvent& event) {
    for (int k : {4, 1, 2, 3})
        if (fds_[k] >= 0) Write(k, event.text[static_cast<std::size_t>(k)]);
    ++events_;
}

void MatrixWriter::Close() {
    for (int k = 1; k <= 4; ++k) {
        if (fds_[k] < 0) continue;
        const int result = ::close(fds_[k]);
        fds_[k] = -1;
        if (result != 0) throw MatrixFileError("Cannot close the matrix file " + paths_[k] + ": " + SystemError());
    }
}

}  // namespace matrix
