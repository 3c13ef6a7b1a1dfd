// The four scenario-matrix files (".z1" to ".z4") and their writer.
//
// Every record is one CRLF-ended line in which every field, the last one
// included, is followed by a comma. The header names the nodes; each event
// record describes up to three injections and then holds one value per node.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace builder {

// A matrix file that cannot be deleted, opened or written.
class MatrixFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Per-node results of one event, indexed by toolkit node index 1..nNodes.
struct EventResult {
    std::vector<std::uint8_t> DetectedFlag;
    std::vector<float> Z1, Z2, Z3;
};

// The result arrays the writer reads: the values of the current or last event.
inline std::vector<std::uint8_t> DetectedFlag;
inline std::vector<float> Z1, Z2, Z3;

// Name of matrix file k (1..4) of a network: its full path plus ".zk".
std::string MatrixFileName(const std::string& networkPath, int k);

// The open matrix files, slots 1..4 for ".z1".. ".z4"; slot 0 is never used
// and slot 2 stays closed when the Z2 measure is off. Closes them on
// destruction.
class MatrixFiles {
public:
    MatrixFiles() = default;
    ~MatrixFiles();
    MatrixFiles(const MatrixFiles&) = delete;
    MatrixFiles& operator=(const MatrixFiles&) = delete;

    // Deletes the old files of the network, then creates the new ones empty.
    void Create(const std::string& networkPath, bool withZ2);
    bool IsOpen(int slot) const { return files_[slot] != nullptr; }
    // Writes one whole record to a slot and flushes it.
    void WriteRecord(int slot, const std::string& record);
    void CloseAll();

private:
    std::FILE* files_[5] = {};
    std::string names_[5];
};

// Writes the header (isHeader) or the record of event eventIndex, reading the
// per-node arrays DetectedFlag, Z1, Z2, Z3, to every open file.
void WriteMatrixRecords(MatrixFiles& FileNumbers, bool isHeader, std::int32_t eventIndex);

// Appends fields 1..9 of an event (three injections: node ID, start step,
// mass inflow; 999 for missing ones) to a record.
void WriteEventColumns(std::string& record, std::int32_t eventIndex);

}  // namespace builder
