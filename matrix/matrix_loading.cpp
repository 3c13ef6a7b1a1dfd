#include "matrix/matrix_loading.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "matrix/event_row.h"
#include "matrix/file_names.h"

namespace matrix {

namespace {

// A first injection starts within the first simulated day, so no node can
// detect more than a day before it.
constexpr float kEarliestDetectionMinutes = -24 * 60;
constexpr float kNoValue = -1.0f;

// Tracks the share of all matrix text read and reports it now and then.
class ProgressMeter {
public:
    ProgressMeter(const std::array<MatrixSource, 5>& sources, const LoadProgress& report) : report_(report) {
        for (int k = 1; k <= 4; ++k)
            if (sources[k].found) total_ += sources[k].size;
    }

    // False when the caller asked to stop.
    bool Update(const LineReader& reader) {
        const std::uint64_t done = finished_ + reader.BytesDone();
        if (!report_ || done - reported_ < kStep) return true;
        reported_ = done;
        return report_(total_ == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(total_)));
    }

    void FileDone(const LineReader& reader) { finished_ += reader.BytesDone(); }

private:
    static constexpr std::uint64_t kStep = std::uint64_t{1} << 20;
    const LoadProgress& report_;
    std::uint64_t total_ = 0;
    std::uint64_t finished_ = 0;
    std::uint64_t reported_ = 0;
};

struct Stopped {};  // the progress callback asked to stop

std::uint64_t Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// One file's rows as read: its cells, a fingerprint of each row's event
// columns, and the first fault found.
template <typename T>
struct FileRows {
    std::vector<T> cells;
    std::vector<std::uint64_t> columns;
    std::int32_t rows = 0;
    std::optional<LoadProblem> problem;
};

// Events a detection file of `size` bytes can hold at most: a row has at
// least 9 + nNodes commas, nNodes digits and a line end.
std::size_t MostEventsIn(std::uint64_t size, std::size_t nNodes) {
    return static_cast<std::size_t>(size / (2 * static_cast<std::uint64_t>(nNodes) + 10) + 1);
}

// Reads the rows of one file, at most maxRows of them (-1: up to its end).
template <typename T>
FileRows<T> ReadFile(const MatrixSource& source, std::span<const std::string> nodeIds, std::int32_t maxRows,
                     ProgressMeter& meter, std::size_t blockSize) {
    FileRows<T> file;
    const auto nNodes = static_cast<std::int32_t>(nodeIds.size());
    LineReader reader(source.open(), blockSize);
    std::string_view line;
    auto fault = [&](std::int64_t at, std::string what) { file.problem = LoadProblem{source.name, at, std::move(what)}; };
    if (!reader.Next(line)) {
        fault(1, "the file is empty");
        return file;
    }
    if (auto wrong = CheckHeader(line, nodeIds)) {
        fault(1, *wrong + "; the matrix set does not belong to this network");
        return file;
    }
    const std::size_t expectedRows = maxRows < 0 ? MostEventsIn(source.size, nodeIds.size()) : static_cast<std::size_t>(maxRows);
    file.cells.reserve(expectedRows * nodeIds.size());
    const auto limit = maxRows < 0 ? std::numeric_limits<std::int32_t>::max() : maxRows;
    while (file.rows < limit) {
        if (reader.OnlyBlankLinesLeft()) {
            if (maxRows >= 0)
                fault(reader.LineNumber() + 1, "the file ends after " + std::to_string(file.rows) +
                                                   " event rows where " + std::to_string(maxRows) + " are needed");
            break;
        }
        reader.Next(line);
        const std::size_t at = file.cells.size();
        file.cells.resize(at + nodeIds.size());
        auto wrong = ReadEventRow(line, nNodes, file.cells.data() + at);
        if (wrong) {
            file.cells.resize(at);
            fault(reader.LineNumber(), *wrong);
            break;
        }
        file.columns.push_back(Fingerprint(*EventColumns(line)));
        ++file.rows;
        if (!meter.Update(reader)) throw Stopped{};
    }
    if (maxRows < 0 && file.rows == 0 && !file.problem)
        fault(reader.LineNumber() + 1, "there is no event row after the header line");
    meter.FileDone(reader);
    return file;
}

// Keeps the problem that cut the events first.
void Keep(std::optional<LoadProblem>& first, std::int32_t& events, std::int32_t whole,
          std::optional<LoadProblem> found) {
    if (!found) return;
    if (!first || whole < events) first = std::move(found);
    events = std::min(events, whole);
}

// Events whose event columns in file k differ from those in the detection file.
std::int32_t AgreeingRows(const FileRows<float>& file, const FileRows<std::uint8_t>& detection) {
    const auto n = std::min(file.columns.size(), detection.columns.size());
    for (std::size_t e = 0; e < n; ++e)
        if (file.columns[e] != detection.columns[e]) return static_cast<std::int32_t>(e);
    return static_cast<std::int32_t>(n);
}

// The first event whose values cannot come from a build: a time to
// detection before the injections, or a negative value other than the
// mark -1 of a node without one. Returns the count of sound events.
std::int32_t SoundRows(int k, const FileRows<float>& file, const FileRows<std::uint8_t>& detection,
                       std::size_t nNodes, std::int32_t events, std::string& why) {
    for (std::int32_t e = 0; e < events; ++e) {
        const float* values = file.cells.data() + static_cast<std::size_t>(e) * nNodes;
        const std::uint8_t* flags = detection.cells.data() + static_cast<std::size_t>(e) * nNodes;
        for (std::size_t n = 0; n < nNodes; ++n) {
            const float v = values[n];
            if (v >= 0) continue;
            const bool sound = k == 1 ? flags[n] == 1 && v >= kEarliestDetectionMinutes : v == kNoValue;
            if (sound) continue;
            why = "the value " + std::to_string(v) + " for node " + std::to_string(n + 1) + " is " +
                  (k == 1 ? "a negative time that no build gives" : "negative, and not the mark -1 of no value");
            return e;
        }
    }
    return events;
}

}  // namespace

LoadedMatrices LoadMatrices(const std::array<MatrixSource, 5>& sources, std::span<const std::string> nodeIds,
                            const LoadProgress& progress, std::size_t blockSize) {
    LoadedMatrices loaded;
    MatrixSet& set = loaded.set;
    std::optional<LoadProblem>& first = loaded.problem;
    const auto nNodes = nodeIds.size();
    set.nNodes = static_cast<std::int32_t>(nNodes);
    ProgressMeter meter(sources, progress);
    int k = 4;
    try {
        FileRows<std::uint8_t> detection;
        std::int32_t events = 0;
        if (sources[4].found) {
            detection = ReadFile<std::uint8_t>(sources[4], nodeIds, -1, meter, blockSize);
            events = detection.rows;
            first = detection.problem;
        }
        std::array<FileRows<float>, 4> values;
        for (k = 1; k <= 3; ++k) {
            if (!sources[k].found || events == 0) continue;
            values[k] = ReadFile<float>(sources[k], nodeIds, events, meter, blockSize);
            Keep(first, events, values[k].rows, values[k].problem);
            const std::int32_t agreeing = AgreeingRows(values[k], detection);
            if (agreeing < events)
                Keep(first, events, agreeing,
                     LoadProblem{sources[k].name, agreeing + 2,
                                 "its event columns differ from those of the same event in " + sources[4].name +
                                     "; the files come from different builds"});
        }
        for (k = 1; k <= 3; ++k) {
            if (!sources[k].found || values[k].rows == 0) continue;
            std::string why;
            const std::int32_t sound = SoundRows(k, values[k], detection, nNodes, events, why);
            if (sound < events) Keep(first, events, sound, LoadProblem{sources[k].name, sound + 2, why});
        }
        auto keep = [&](auto& cells) {
            cells.resize(static_cast<std::size_t>(events) * nNodes);
            if (cells.capacity() > cells.size() + cells.size() / 20) cells.shrink_to_fit();
            return std::move(cells);
        };
        if (sources[4].found) set.Z4 = Matrix<std::uint8_t>::FromCells(keep(detection.cells), events, set.nNodes);
        Matrix<float>* targets[] = {nullptr, &set.Z1, &set.Z2, &set.Z3};
        for (k = 1; k <= 3; ++k)
            if (sources[k].found && sources[4].found)
                *targets[k] = Matrix<float>::FromCells(keep(values[k].cells), events, set.nNodes);
        set.nEvents = events;
    } catch (const Stopped&) {
        set = MatrixSet{};
        set.nNodes = static_cast<std::int32_t>(nNodes);
        first = LoadProblem{sources[k].name, 0, "loading was stopped"};
    } catch (const std::runtime_error& error) {
        set = MatrixSet{};
        set.nNodes = static_cast<std::int32_t>(nNodes);
        first = LoadProblem{sources[k].name, 0, error.what()};
    }
    return loaded;
}

LoadedMatrices LoadMatrixText(const std::string& networkPath, std::span<const std::string> nodeIds,
                              const LoadProgress& progress) {
    std::array<MatrixSource, 5> sources;
    for (int k = 1; k <= 4; ++k) sources[k] = FileSource(MatrixFileName(networkPath, k));
    return LoadMatrices(sources, nodeIds, progress);
}

std::string DescribeLoadProblem(const LoadProblem& problem, std::int32_t nEvents) {
    std::string text = "The matrix file " + problem.file;
    if (problem.line > 0) text += ", line " + std::to_string(problem.line) + ",";
    text += " cannot be read: " + problem.what + ".\n";
    if (nEvents == 0) return text + "No events are loaded.";
    return text + "The first " + std::to_string(nEvents) + " events, read whole from every matrix file, are used.";
}

}  // namespace matrix
