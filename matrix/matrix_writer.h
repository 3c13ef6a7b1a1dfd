// Writes a matrix set: the old files of the network are removed, the new
// ones created (never through a link), the headers written, then one whole
// record per event in event order, to the text files, their binary forms
// and the event summary. Every file always ends with whole records: a write
// that fails is cut off again in every file, so they keep the same events.
#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "matrix/npy_file.h"
#include "matrix/records.h"

namespace matrix {

// A matrix file that cannot be removed, created or written.
class MatrixFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Checks, touching no file of the set, that a writer can replace the set:
// the folder takes new files and no old file is in the way (a folder, or a
// file of another user in a folder where only owners may remove files).
// Throws MatrixFileError saying what is wrong.
void CheckReplaceable(const std::string& networkPath);

class MatrixWriter {
public:
    // Removes the network's old matrix files (".z2" and its binary form too
    // when withZ2 is false) and creates the new ones.
    MatrixWriter(const std::string& networkPath, std::span<const std::string> nodeIds, bool withZ2);
    ~MatrixWriter();
    MatrixWriter(const MatrixWriter&) = delete;
    MatrixWriter& operator=(const MatrixWriter&) = delete;

    // Appends one event's records, in the order .z4, .z1, .z2, .z3, then the
    // binary rows and the summary line.
    void Append(const EncodedEvent& event);
    // Closes every file, reporting a failure.
    void Close();

    // The text files written, in the order .z1 to .z4.
    const std::vector<std::string>& FileNames() const { return names_; }
    // Whether each text file's name still leads to the file this writer
    // writes (before Close): false once another writer replaced the set.
    bool FilesInPlace() const;
    std::int32_t EventsWritten() const { return events_; }

private:
    struct TextFile {
        std::string path;
        int fd = -1;
        off_t size = 0;
    };

    TextFile CreateText(const std::string& path);
    void Write(TextFile& file, const std::string& record);
    void RollBack(const std::vector<off_t>& textSizes);
    std::vector<TextFile*> TextFiles();

    std::string networkPath_;
    std::int32_t nNodes_;
    bool withZ2_;
    TextFile text_[5];
    TextFile summary_;
    std::unique_ptr<NpyWriter> binary_[5];
    std::vector<std::string> names_;
    std::int32_t events_ = 0;
};

}  // namespace matrix
