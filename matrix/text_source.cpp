#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "matrix/text_source.h"

#include "network/input_file.h"

namespace matrix {

namespace {

class OpenFile {
public:
    explicit OpenFile(const std::string& path) : fd_(network::OpenInputFile(path)) {
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~OpenFile() { ::close(fd_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    std::size_t Read(char* dest, std::size_t room) {
        for (;;) {
            ssize_t got = ::read(fd_, dest, room);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) throw std::runtime_error(std::string("it cannot be read: ") + std::strerror(errno));
        }
    }

private:
    int fd_;
};

}  // namespace

MatrixSource FileSource(const std::string& path) {
    MatrixSource source;
    source.name = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return source;
    source.found = true;
    source.size = static_cast<std::uint64_t>(st.st_size);
    source.open = [path]() -> ReadBlock {
        auto file = std::make_shared<OpenFile>(path);
        return [file](char* dest, std::size_t room) { return file->Read(dest, room); };
    };
    return source;
}

MatrixSource MemorySource(const std::string& name, std::string_view text, bool found) {
    MatrixSource source;
    source.found = found;
    source.name = name;
    source.size = text.size();
    source.open = [text]() -> ReadBlock {
        return [text, offset = std::size_t{0}](char* dest, std::size_t room) mutable {
            const std::size_t n = std::min(room, text.size() - offset);
            std::copy_n(text.data() + offset, n, dest);
            offset += n;
            return n;
        };
    };
    return source;
}

}  // namespace matrix
