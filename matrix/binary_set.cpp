#include "matrix/binary_set.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "matrix/event_row.h"
#include "matrix/file_names.h"
#include "matrix/line_reader.h"
#include "matrix/npy_file.h"
#include "matrix/set_checks.h"
#include "matrix/text_source.h"
#include "network/input_file.h"

namespace matrix {

namespace fs = std::filesystem;

namespace {

struct Mismatch : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The first line of a text file, and the number of records after it.
struct TextShape {
    std::string header;
    std::int64_t records = 0;
};

TextShape ShapeOf(const std::string& path) {
    const MatrixSource source = FileSource(path);
    if (!source.found) throw Mismatch(path + " is missing");
    LineReader reader(source.open());
    TextShape shape;
    std::string_view line;
    if (reader.Next(line)) shape.header = line;
    while (!reader.OnlyBlankLinesLeft() && reader.Next(line)) ++shape.records;
    return shape;
}

// The first and the last record of a text file (read from its end).
std::pair<std::string, std::string> HeaderAndLastRecord(const std::string& path) {
    int fd = -1;
    try {
        fd = network::OpenInputFile(path);
    } catch (const network::InputFileError& e) {
        throw Mismatch(path + " cannot be read (" + e.what() + ")");
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::string head(static_cast<std::size_t>(std::min<off_t>(size, 1 << 20)), '\0');
    bool ok = ::pread(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size());
    std::string tail;
    for (std::size_t window = 1 << 16; ok; window *= 4) {
        const off_t from = std::max<off_t>(0, size - static_cast<off_t>(window));
        tail.assign(static_cast<std::size_t>(size - from), '\0');
        ok = ::pread(fd, tail.data(), tail.size(), from) == static_cast<ssize_t>(tail.size());
        while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' ')) tail.pop_back();
        const std::size_t lf = tail.rfind('\n');
        if (lf != std::string::npos) {
            tail.erase(0, lf + 1);
            break;
        }
        if (from == 0) break;
    }
    ::close(fd);
    if (!ok) throw Mismatch(path + " cannot be read");
    const std::size_t end = head.find('\n');
    head.resize(end == std::string::npos ? head.size() : end);
    if (!head.empty() && head.back() == '\r') head.pop_back();
    return {head, tail};
}

template <typename T>
void RequireLastRowAgrees(const std::string& textPath, const std::string& lastRecord, std::size_t nNodes,
                          const T* row) {
    std::vector<T> values(nNodes);
    if (ReadEventRow(lastRecord, static_cast<std::int32_t>(nNodes), values.data()) ||
        std::memcmp(values.data(), row, nNodes * sizeof(T)) != 0)
        throw Mismatch("the last record of " + textPath + " differs from the last row of its .npy file");
}

template <typename T>
Matrix<T> MapMatrix(const std::string& path, NpyType type, std::size_t nNodes, std::int64_t& rows) {
    NpyHeader header;
    try {
        header = ReadNpyHeader(path);
    } catch (const NpyError& e) {
        throw Mismatch(path + ": " + e.what());
    }
    if (header.type != type)
        throw Mismatch(path + " holds " + (header.type == NpyType::UInt8 ? "uint8" : "float32") + " cells where " +
                       (type == NpyType::UInt8 ? "uint8" : "float32") + " are expected");
    if (header.columns != static_cast<std::int64_t>(nNodes))
        throw Mismatch(path + " has " + std::to_string(header.columns) + " columns where the network has " +
                       std::to_string(nNodes) + " nodes");
    if (rows >= 0 && header.rows != rows)
        throw Mismatch(path + " has " + std::to_string(header.rows) + " rows where the other binary files have " +
                       std::to_string(rows));
    rows = header.rows;
    std::shared_ptr<const MappedFile> mapped;
    try {
        mapped = MappedFile::Map(path);
    } catch (const NpyError& e) {
        throw Mismatch(path + ": " + e.what());
    }
    const T* cells = reinterpret_cast<const T*>(mapped->Data() + header.dataOffset);
    return Matrix<T>::View(std::move(mapped), cells, static_cast<std::int32_t>(header.rows),
                           static_cast<std::int32_t>(nNodes));
}

MatrixSet MapSet(const std::string& networkPath, std::span<const std::string> nodeIds,
                 const std::vector<FileDigest>& recorded) {
    if (auto mismatch = BinaryDigestMismatch(networkPath, recorded)) throw Mismatch(*mismatch);
    const std::size_t nNodes = nodeIds.size();
    std::array<bool, 5> text{};
    for (int k = 1; k <= 4; ++k) {
        text[k] = Exists(MatrixFileName(networkPath, k));
        if (text[k] != Exists(BinaryFileName(networkPath, k)))
            throw Mismatch(text[k] ? BinaryFileName(networkPath, k) + " is missing"
                                   : MatrixFileName(networkPath, k) + " is missing");
    }
    if (!text[4]) throw Mismatch(MatrixFileName(networkPath, 4) + " is missing");
    MatrixSet set;
    set.nNodes = static_cast<std::int32_t>(nNodes);
    std::int64_t rows = -1;
    set.Z4 = MapMatrix<std::uint8_t>(BinaryFileName(networkPath, 4), NpyType::UInt8, nNodes, rows);
    Matrix<float>* values[] = {nullptr, &set.Z1, &set.Z2, &set.Z3};
    for (int k = 1; k <= 3; ++k)
        if (text[k]) *values[k] = MapMatrix<float>(BinaryFileName(networkPath, k), NpyType::Float32, nNodes, rows);
    set.nEvents = static_cast<std::int32_t>(rows);

    const TextShape detection = ShapeOf(MatrixFileName(networkPath, 4));
    if (auto wrong = CheckHeader(detection.header, nodeIds)) throw Mismatch(MatrixFileName(networkPath, 4) + ": " + *wrong);
    if (detection.records != rows)
        throw Mismatch(MatrixFileName(networkPath, 4) + " holds " + std::to_string(detection.records) +
                       " event records where the binary files hold " + std::to_string(rows));
    for (int k = 1; k <= 4; ++k) {
        if (!text[k]) continue;
        const std::string path = MatrixFileName(networkPath, k);
        const auto [header, last] = HeaderAndLastRecord(path);
        if (auto wrong = CheckHeader(header, nodeIds)) throw Mismatch(path + ": " + *wrong);
        if (rows == 0) continue;
        if (k == 4)
            RequireLastRowAgrees(path, last, nNodes, set.Z4.Row(set.nEvents));
        else
            RequireLastRowAgrees(path, last, nNodes, values[k]->Row(set.nEvents));
    }
    if (auto unsound = FirstUnsoundCell(set))
        throw Mismatch(BinaryFileName(networkPath, unsound->matrix) + ", row " + std::to_string(unsound->event) +
                       ": " + unsound->why + ", which the text files never hold");
    return set;
}

}  // namespace

BinaryLoad LoadBinarySet(const std::string& networkPath, std::span<const std::string> nodeIds,
                         const std::vector<FileDigest>& recorded) {
    BinaryLoad load;
    for (int k = 1; k <= 4; ++k) load.present = load.present || Exists(BinaryFileName(networkPath, k));
    if (!load.present) return load;
    try {
        load.set = MapSet(networkPath, nodeIds, recorded);
    } catch (const Mismatch& e) {
        load.whyNot = e.what();
    } catch (const std::runtime_error& e) {  // a recorded file that cannot be read
        load.whyNot = e.what();
    }
    return load;
}

}  // namespace matrix
