// Matrices in NumPy's .npy format (version 1.0): a header naming the
// element type, C order and the shape [events, nodes], then the cells,
// event by event, little-endian. numpy.load(path, mmap_mode="r") maps them.
//
// A file is written one row at a time: the row goes to the end of the file
// first and the row count in the header is raised after it, so the header
// never claims a row the file does not hold, whenever the writer stops.
// The header has a fixed length, so it can be rewritten in place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace matrix {

enum class NpyType { Float32, UInt8 };

std::size_t CellBytes(NpyType type);

class NpyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class NpyWriter {
public:
    // Creates a new file (never through a link) holding no rows. Throws NpyError.
    NpyWriter(const std::string& path, NpyType type, std::int32_t nNodes);
    ~NpyWriter();
    NpyWriter(const NpyWriter&) = delete;
    NpyWriter& operator=(const NpyWriter&) = delete;

    // Appends one row of nNodes cells and counts it. Throws NpyError; the
    // header then still counts only the rows before.
    void AppendRow(const void* cells);
    // Cuts the file back to its first `rows` rows.
    void Truncate(std::int64_t rows);
    void Close();
    std::int64_t Rows() const { return rows_; }
    const std::string& Path() const { return path_; }

private:
    void WriteHeader(std::int64_t rows);

    std::string path_;
    NpyType type_;
    std::int32_t nNodes_;
    int fd_ = -1;
    std::int64_t rows_ = 0;
};

// What a .npy file's header says.
struct NpyHeader {
    NpyType type = NpyType::Float32;
    std::int64_t rows = 0, columns = 0;
    std::size_t dataOffset = 0;
};

// Reads and checks the header of a .npy file: version 1.0 or 2.0, a
// little-endian float32 or uint8, C order, two dimensions, and a file
// holding every cell the header claims. Throws NpyError saying what is wrong.
NpyHeader ReadNpyHeader(const std::string& path);

// A file mapped into memory, read only; unmapped when the last user goes.
class MappedFile {
public:
    // Throws NpyError when the file cannot be mapped.
    static std::shared_ptr<const MappedFile> Map(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    MappedFile() = default;
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace matrix
