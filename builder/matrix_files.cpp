#include "builder/matrix_files.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "builder/events.h"
#include "builder/numbers.h"
#include "network/netload.h"

namespace builder {

namespace {

void AppendField(std::string& record, const std::string& text) {
    record += text;
    record += ',';
}

void AppendQuoted(std::string& record, const std::string& text) {
    record += '"';
    record += text;
    record += "\",";
}

void AppendInteger(std::string& record, std::int64_t value) { AppendField(record, std::to_string(value)); }

void AppendSingle(std::string& record, float value) {
    if (!std::isfinite(value))
        throw MatrixFileError("A computed value is not a finite number; no record was written");
    record += FormatSingle(value);
    record += ',';
}

void EndLine(std::string& record) { record += "\r\n"; }

std::string SystemError() { return std::strerror(errno); }

template <typename Values>
std::string ValueRecord(std::int32_t eventIndex, const Values& values) {
    std::string record;
    record.reserve(static_cast<std::size_t>(network::nNodes) * 8 + 64);
    WriteEventColumns(record, eventIndex);
    for (std::int32_t j = 1; j <= network::nNodes; ++j) {
        if constexpr (std::is_same_v<typename Values::value_type, float>)
            AppendSingle(record, values[static_cast<std::size_t>(j)]);
        else
            AppendInteger(record, values[static_cast<std::size_t>(j)]);
    }
    EndLine(record);
    return record;
}

std::string HeaderRecord() {
    std::string record;
    for (int i = 0; i < 9; ++i) AppendInteger(record, 999);
    for (std::int32_t j = 1; j <= network::nNodes; ++j) AppendQuoted(record, network::NodeID[static_cast<std::size_t>(j)]);
    EndLine(record);
    return record;
}

}  // namespace

std::string MatrixFileName(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

MatrixFiles::~MatrixFiles() {
    for (auto*& file : files_)
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
}

void MatrixFiles::Create(const std::string& networkPath, bool withZ2) {
    for (int k : {4, 1, 2, 3}) {
        std::error_code ignored;
        std::filesystem::remove(MatrixFileName(networkPath, k), ignored);
    }
    // Opened truncated, so a file that survived the deletion never keeps old records.
    for (int k : {1, 2, 3, 4}) {
        if (k == 2 && !withZ2) continue;
        names_[k] = MatrixFileName(networkPath, k);
        files_[k] = std::fopen(names_[k].c_str(), "wb");
        if (!files_[k]) throw MatrixFileError("Cannot create the matrix file " + names_[k] + ": " + SystemError());
        // Records are written whole in one call; no buffer may keep part of one.
        std::setvbuf(files_[k], nullptr, _IONBF, 0);
    }
}

void MatrixFiles::WriteRecord(int slot, const std::string& record) {
    std::FILE* file = files_[slot];
    long before = std::ftell(file);
    if (std::fwrite(record.data(), 1, record.size(), file) == record.size() && std::fflush(file) == 0) return;
    std::string why = SystemError();
    // Cut off what part of the record reached the file, so it ends with a whole record.
    std::clearerr(file);
    if (before >= 0 && ::ftruncate(::fileno(file), before) == 0) std::fseek(file, before, SEEK_SET);
    throw MatrixFileError("Cannot write the matrix file " + names_[slot] + ": " + why);
}

void MatrixFiles::CloseAll() {
    for (int k = 1; k <= 4; ++k) {
        if (!files_[k]) continue;
        int result = std::fclose(files_[k]);
        files_[k] = nullptr;
        if (result != 0) throw MatrixFileError("Cannot close the matrix file " + names_[k] + ": " + SystemError());
    }
}

void WriteEventColumns(std::string& record, std::int32_t eventIndex) {
    const clsPollutionEvent& event = PollutionEvent(eventIndex);
    for (std::int32_t i = 1; i <= 3; ++i) {
        if (event.nInjections >= i) {
            const clsInjectionEvent& injection = event.colInjectionEvent[static_cast<std::size_t>(i) - 1];
            AppendQuoted(record, injection.evNodeID);
            AppendInteger(record, injection.evTime);
            AppendSingle(record, injection.evPollutionLevel);
        } else {
            for (int f = 0; f < 3; ++f) AppendInteger(record, 999);
        }
    }
}

void WriteMatrixRecords(MatrixFiles& FileNumbers, bool isHeader, std::int32_t eventIndex) {
    if (isHeader) {
        const std::string header = HeaderRecord();
        for (int slot = 1; slot <= 4; ++slot)
            if (FileNumbers.IsOpen(slot)) FileNumbers.WriteRecord(slot, header);
        return;
    }
    // Each record is built whole before it is written, so a failure never
    // leaves part of a line behind.
    FileNumbers.WriteRecord(4, ValueRecord(eventIndex, DetectedFlag));
    FileNumbers.WriteRecord(1, ValueRecord(eventIndex, Z1));
    if (FileNumbers.IsOpen(2)) FileNumbers.WriteRecord(2, ValueRecord(eventIndex, Z2));
    FileNumbers.WriteRecord(3, ValueRecord(eventIndex, Z3));
}

}  // namespace builder
