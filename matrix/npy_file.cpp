#include "matrix/npy_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <regex>

#include "base/write_all.h"
#include "network/input_file.h"

namespace matrix {

namespace {

constexpr char kMagic[] = "\x93NUMPY";
constexpr std::size_t kMagicLength = 6;
// Magic, version, header length and the header text: 128 bytes, room for
// any shape of 32-bit counts, a multiple of 64 as the format asks.
constexpr std::size_t kHeaderBytes = 128;

std::string SystemError() { return std::strerror(errno); }

const char* Descr(NpyType type) { return type == NpyType::Float32 ? "<f4" : "|u1"; }

std::string HeaderText(NpyType type, std::int64_t rows, std::int32_t columns) {
    std::string dict = std::string("{'descr': '") + Descr(type) + "', 'fortran_order': False, 'shape': (" +
                       std::to_string(rows) + ", " + std::to_string(columns) + "), }";
    const std::size_t textBytes = kHeaderBytes - kMagicLength - 4;
    dict.resize(textBytes - 1, ' ');
    dict += '\n';
    std::string header(kMagic, kMagicLength);
    header += '\x01';
    header += '\x00';
    header += static_cast<char>(textBytes & 0xff);
    header += static_cast<char>(textBytes >> 8);
    return header + dict;
}

}  // namespace

std::size_t CellBytes(NpyType type) { return type == NpyType::Float32 ? 4 : 1; }

NpyWriter::NpyWriter(const std::string& path, NpyType type, std::int32_t nNodes)
    : path_(path), type_(type), nNodes_(nNodes) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) throw NpyError("Cannot create the matrix file " + path + ": " + SystemError());
    WriteHeader(0);
}

NpyWriter::~NpyWriter() {
    if (fd_ >= 0) ::close(fd_);
}

void NpyWriter::WriteHeader(std::int64_t rows) {
    const std::string header = HeaderText(type_, rows, nNodes_);
    if (!base::WriteAllAt(fd_, header.data(), header.size(), 0))
        throw NpyError("Cannot write the matrix file " + path_ + ": " + SystemError());
}

void NpyWriter::AppendRow(const void* cells) {
    const std::size_t rowBytes = CellBytes(type_) * static_cast<std::size_t>(nNodes_);
    const auto at = static_cast<off_t>(kHeaderBytes + static_cast<std::size_t>(rows_) * rowBytes);
    if (!base::WriteAllAt(fd_, static_cast<const char*>(cells), rowBytes, at)) {
        const std::string why = SystemError();
        if (::ftruncate(fd_, at) != 0) {
            // The header still counts the rows before; the bytes beyond them are never read.
        }
        throw NpyError("Cannot write the matrix file " + path_ + ": " + why);
    }
    WriteHeader(rows_ + 1);
    ++rows_;
}

void NpyWriter::Truncate(std::int64_t rows) {
    if (rows >= rows_) return;
    WriteHeader(rows);
    rows_ = rows;
    const std::size_t rowBytes = CellBytes(type_) * static_cast<std::size_t>(nNodes_);
    if (::ftruncate(fd_, static_cast<off_t>(kHeaderBytes + static_cast<std::size_t>(rows) * rowBytes)) != 0)
        throw NpyError("Cannot cut back the matrix file " + path_ + ": " + SystemError());
}

void NpyWriter::Close() {
    if (fd_ < 0) return;
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) throw NpyError("Cannot close the matrix file " + path_ + ": " + SystemError());
}

namespace {

int OpenForReading(const std::string& path) {
    try {
        return network::OpenInputFile(path);
    } catch (const network::InputFileError& e) {
        throw NpyError(e.what());
    }
}

}  // namespace

NpyHeader ReadNpyHeader(const std::string& path) {
    const int fd = OpenForReading(path);
    struct stat st {};
    char start[10] = {};
    const bool statted = ::fstat(fd, &st) == 0;
    const ssize_t got = ::pread(fd, start, sizeof start, 0);
    if (!statted || got != static_cast<ssize_t>(sizeof start) || std::memcmp(start, kMagic, kMagicLength) != 0) {
        ::close(fd);
        throw NpyError("it is not a .npy file");
    }
    const auto major = static_cast<unsigned char>(start[6]);
    std::size_t length = static_cast<unsigned char>(start[8]) | static_cast<std::size_t>(static_cast<unsigned char>(start[9])) << 8;
    std::size_t prefix = 10;
    if (major == 2 || major == 3) {
        char more[2] = {};
        if (::pread(fd, more, 2, 10) != 2) {
            ::close(fd);
            throw NpyError("its header is cut short");
        }
        length |= static_cast<std::size_t>(static_cast<unsigned char>(more[0])) << 16 |
                  static_cast<std::size_t>(static_cast<unsigned char>(more[1])) << 24;
        prefix = 12;
    } else if (major != 1) {
        ::close(fd);
        throw NpyError("its .npy format version " + std::to_string(major) + " is unknown");
    }
    std::string text(length, '\0');
    const ssize_t read = length > 65536 ? -1 : ::pread(fd, text.data(), length, static_cast<off_t>(prefix));
    ::close(fd);
    if (read != static_cast<ssize_t>(length)) throw NpyError("its header is cut short");

    static const std::regex kDict(
        R"(^\{\s*'descr'\s*:\s*'([<>=|]?[a-z0-9]+)'\s*,\s*'fortran_order'\s*:\s*(True|False)\s*,\s*'shape'\s*:\s*\(\s*(\d+)\s*,\s*(\d+)\s*\)\s*,?\s*\}\s*$)");
    std::smatch m;
    if (!std::regex_match(text, m, kDict)) throw NpyError("its header does not describe a two-dimensional matrix");
    NpyHeader header;
    if (m[1] == "<f4")
        header.type = NpyType::Float32;
    else if (m[1] == "|u1" || m[1] == "u1")
        header.type = NpyType::UInt8;
    else if (m[1].str().front() == '>')
        throw NpyError("its cells are big-endian (" + m[1].str() + "); only little-endian .npy files are read");
    else
        throw NpyError("its cells are of type " + m[1].str() + ", not float32 or uint8");
    if (m[2] == "True") throw NpyError("its cells are in Fortran order");
    header.rows = std::stoll(m[3]);
    header.columns = std::stoll(m[4]);
    header.dataOffset = prefix + length;
    const auto needed = static_cast<long double>(header.dataOffset) +
                        static_cast<long double>(header.rows) * header.columns * CellBytes(header.type);
    if (needed > static_cast<long double>(st.st_size))
        throw NpyError("its header claims " + std::to_string(header.rows) + " rows, more than the file holds");
    return header;
}

std::shared_ptr<const MappedFile> MappedFile::Map(const std::string& path) {
    const int fd = OpenForReading(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        throw NpyError("it cannot be read: " + SystemError());
    }
    std::shared_ptr<MappedFile> file(new MappedFile);
    file->size_ = static_cast<std::size_t>(st.st_size);
    if (file->size_ > 0) {
        void* data = ::mmap(nullptr, file->size_, PROT_READ, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            ::close(fd);
            throw NpyError("it cannot be mapped: " + SystemError());
        }
        file->data_ = static_cast<const unsigned char*>(data);
    }
    ::close(fd);
    return file;
}

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<unsigned char*>(data_), size_);
}

}  // namespace matrix
