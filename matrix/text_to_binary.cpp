#include "matrix/text_to_binary.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "matrix/event_row.h"
#include "matrix/file_names.h"
#include "matrix/npy_file.h"
#include "matrix/row_checks.h"
#include "matrix/text_source.h"

namespace matrix {

namespace {

// One text file read event by event, and its binary form being written.
struct Pair {
    MatrixSource source;
    std::unique_ptr<LineReader> reader;
    std::unique_ptr<NpyWriter> binary;
    std::string temporary, final;
};

[[noreturn]] void Fail(const Pair& file, std::int64_t line, const std::string& what) {
    throw ConversionError("The matrix file " + file.source.name + ", line " + std::to_string(line) +
                          ", cannot be converted: " + what);
}

void Open(Pair& file, int k, const std::string& networkPath, std::span<const std::string> nodeIds) {
    file.reader = std::make_unique<LineReader>(file.source.open());
    std::string_view header;
    if (!file.reader->Next(header)) Fail(file, 1, "the file is empty");
    if (auto wrong = CheckHeader(header, nodeIds)) Fail(file, 1, *wrong);
    file.final = BinaryFileName(networkPath, k);
    file.temporary = file.final + ".partial";
    if (::unlink(file.temporary.c_str()) != 0 && errno != ENOENT)
        throw ConversionError("Cannot remove " + file.temporary + ": " + std::strerror(errno));
    file.binary = std::make_unique<NpyWriter>(file.temporary, k == 4 ? NpyType::UInt8 : NpyType::Float32,
                                              static_cast<std::int32_t>(nodeIds.size()));
}

// Reads the next event row of a file; its event columns' fingerprint goes to columns.
template <typename T>
void ReadRow(Pair& file, std::int32_t event, std::size_t nNodes, std::vector<T>& row, std::uint64_t& columns) {
    std::string_view line;
    if (!file.reader->Next(line))
        Fail(file, file.reader->LineNumber() + 1, "the file ends before event " + std::to_string(event));
    row.resize(nNodes);
    if (auto wrong = ReadEventRow(line, static_cast<std::int32_t>(nNodes), row.data()))
        Fail(file, file.reader->LineNumber(), *wrong);
    columns = Fingerprint(*EventColumns(line));
}

void Discard(std::array<Pair, 5>& files) {
    for (Pair& file : files)
        if (file.binary) ::unlink(file.temporary.c_str());
}

}  // namespace

Conversion ConvertToBinary(const std::string& networkPath, std::span<const std::string> nodeIds,
                           const ConversionProgress& progress) {
    const std::size_t nNodes = nodeIds.size();
    std::array<Pair, 5> files;
    for (int k = 1; k <= 4; ++k) files[k].source = FileSource(MatrixFileName(networkPath, k));
    if (!files[4].source.found) throw ConversionError("There is no matrix file " + files[4].source.name);
    Conversion conversion;
    try {
        for (int k = 1; k <= 4; ++k)
            if (files[k].source.found) Open(files[k], k, networkPath, nodeIds);
        std::vector<std::uint8_t> flags;
        std::vector<float> values;
        std::uint64_t detectionColumns = 0, columns = 0;
        Pair& detection = files[4];
        for (std::int32_t event = 1; !detection.reader->OnlyBlankLinesLeft(); ++event) {
            ReadRow(detection, event, nNodes, flags, detectionColumns);
            detection.binary->AppendRow(flags.data());
            for (int k = 1; k <= 3; ++k) {
                Pair& file = files[k];
                if (!file.binary) continue;
                ReadRow(file, event, nNodes, values, columns);
                if (columns != detectionColumns)
                    Fail(file, file.reader->LineNumber(),
                         "its event columns differ from those of the same event in " + detection.source.name);
                if (auto why = UnsoundValue(k, values.data(), flags.data(), nNodes))
                    Fail(file, file.reader->LineNumber(), *why);
                file.binary->AppendRow(values.data());
            }
            conversion.events = event;
            if (progress && event % 256 == 0)
                progress(static_cast<double>(detection.reader->BytesDone()) / static_cast<double>(detection.source.size));
        }
        if (conversion.events == 0) Fail(detection, 2, "there is no event row after the header line");
        for (Pair& file : files)
            if (file.binary) file.binary->Close();
        // The whole set is there: each file takes its place at once.
        for (int k = 1; k <= 4; ++k) {
            Pair& file = files[k];
            if (!file.binary) {
                ::unlink(BinaryFileName(networkPath, k).c_str());
                continue;
            }
            if (::rename(file.temporary.c_str(), file.final.c_str()) != 0)
                throw ConversionError("Cannot rename " + file.temporary + ": " + std::strerror(errno));
            conversion.files.push_back(file.final);
        }
    } catch (const NpyError& e) {
        Discard(files);
        throw ConversionError(e.what());
    } catch (const std::runtime_error&) {
        Discard(files);
        throw;
    }
    if (progress) progress(1.0);
    return conversion;
}

}  // namespace matrix
