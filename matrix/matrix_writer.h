// Writes a matrix set: the old files of the network are removed, the new
// ones created empty, the header written, then one whole record per event in
// event order. A record is written to each file in one call and a failed
// write is cut off again, so every file always ends with a whole record.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "matrix/records.h"

namespace matrix {

// A matrix file that cannot be removed, created or written.
class MatrixFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MatrixWriter {
public:
    // Removes the network's old matrix files (".z2" too when withZ2 is
    // false), creates the new ones and writes their header.
    MatrixWriter(const std::string& networkPath, std::span<const std::string> nodeIds, bool withZ2);
    ~MatrixWriter();
    MatrixWriter(const MatrixWriter&) = delete;
    MatrixWriter& operator=(const MatrixWriter&) = delete;

    // Appends one event's records, in the order .z4, .z1, .z2, .z3.
    void Append(const EncodedEvent& event);
    // Closes every file, reporting a failure.
    void Close();

    // The files written, in the order .z1 to .z4.
    const std::vector<std::string>& FileNames() const { return names_; }
    std::int32_t EventsWritten() const { return events_; }

private:
    void Create(int k);
    void Write(int k, const std::string& record);

    std::string networkPath_;
    bool withZ2_;
    int fds_[5] = {-1, -1, -1, -1, -1};
    std::string paths_[5];
    std::vector<std::string> names_;
    std::int32_t events_ = 0;
};

}  // namespace matrix
