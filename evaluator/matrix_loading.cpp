// Reads the four matrix files into memory. The detection file alone fixes
// the number of events; the other three give that many rows each. A fault
// in any file keeps only the events read whole from every file, so the four
// matrices always hold the same events.
#include "evaluator/matrix_loading.h"

#include <limits>
#include <stdexcept>

#include "evaluator/event_row.h"

namespace fitness {

namespace {

// Tracks the share of all matrix text read and reports it now and then.
class ProgressMeter {
public:
    ProgressMeter(const std::array<MatrixSource, 5>& sources, const LoadProgress& report) : report_(report) {
        for (int k = 1; k <= 4; ++k)
            if (sources[k].found) total_ += sources[k].size;
    }

    // False when the caller asked to stop.
    bool Update(const LineReader& reader) {
        std::uint64_t done = finished_ + reader.BytesDone();
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

// Events a detection file of `size` bytes can hold at most: a row has at
// least 9 + nNodes commas, nNodes digits and a line end.
std::size_t MostEventsIn(std::uint64_t size, std::int32_t nNodes) {
    return static_cast<std::size_t>(size / (2 * static_cast<std::uint64_t>(nNodes) + 10) + 1);
}

LoadProblem ProblemAt(const MatrixSource& source, std::int64_t line, std::string what) {
    return LoadProblem{source.name, line, std::move(what)};
}

// Reads the detection file; returns the number of events read whole.
std::int32_t LoadDetectionMatrix(const MatrixSource& source, std::int32_t nNodes, ProgressMeter& meter,
                                 std::size_t blockSize, std::optional<LoadProblem>& problem) {
    LineReader reader(source.open(), blockSize);
    std::string_view line;
    if (!reader.Next(line)) {
        problem = ProblemAt(source, 1, "the file is empty");
        return 0;
    }
    if (reader.OnlyBlankLinesLeft()) {
        problem = ProblemAt(source, reader.LineNumber() + 1, "there is no event row after the header line");
        return 0;
    }
    Z4Matrix.Reserve(MostEventsIn(source.size, nNodes));
    std::int32_t events = 0;
    do {
        if (events == std::numeric_limits<std::int32_t>::max()) {
            problem = ProblemAt(source, reader.LineNumber() + 1, "there are too many event rows");
            break;
        }
        reader.Next(line);
        std::int16_t* row = Z4Matrix.AppendEvent();
        if (auto fault = ReadEventRow(line, nNodes, row)) {
            Z4Matrix.Truncate(events);
            problem = ProblemAt(source, reader.LineNumber(), *fault);
            break;
        }
        ++events;
        if (!meter.Update(reader)) throw Stopped{};
    } while (!reader.OnlyBlankLinesLeft());
    meter.FileDone(reader);
    return events;
}

// Reads rows 1..events of a value file; returns how many were read whole.
std::int32_t LoadValueMatrix(const MatrixSource& source, ScenarioMatrix<float>& matrix, std::int32_t events,
                             ProgressMeter& meter, std::size_t blockSize, std::optional<LoadProblem>& problem) {
    LineReader reader(source.open(), blockSize);
    std::string_view line;
    reader.Next(line);  // the header
    for (std::int32_t e = 1; e <= events; ++e) {
        if (!reader.Next(line)) {
            problem = ProblemAt(source, reader.LineNumber() + 1,
                                "the file ends after " + std::to_string(e - 1) + " event rows where " +
                                    std::to_string(events) + " are needed");
            return e - 1;
        }
        if (auto fault = ReadEventRow(line, matrix.nNodes(), matrix.Row(e))) {
            problem = ProblemAt(source, reader.LineNumber(), *fault);
            return e - 1;
        }
        if (!meter.Update(reader)) throw Stopped{};
    }
    meter.FileDone(reader);
    return events;
}

void TruncateAll(std::int32_t events) {
    Z4Matrix.Truncate(events);
    Z1Matrix.Truncate(events);
    Z2Matrix.Truncate(events);
    Z3Matrix.Truncate(events);
}

// Keeps the first problem found: it is the one that cut the events first.
void Keep(std::optional<LoadProblem>& first, std::optional<LoadProblem>&& found) {
    if (!first && found) first = std::move(found);
}

}  // namespace

std::optional<LoadProblem> LoadMatrices(const std::array<MatrixSource, 5>& sources, std::int32_t nNodes,
                                        std::int32_t& nEvents, const LoadProgress& progress,
                                        std::size_t blockSize) {
    if (nNodes < 0) nNodes = 0;
    ScenarioMatrix<float>* valueMatrices[] = {nullptr, &Z1Matrix, &Z2Matrix, &Z3Matrix};
    for (int k = 1; k <= 4; ++k) MatrixFileFound[k] = sources[k].found;
    std::optional<LoadProblem> first;
    std::int32_t events = 0;
    ProgressMeter meter(sources, progress);
    int k = 4;
    try {
        for (auto* matrix : valueMatrices)
            if (matrix) matrix->Reset(nNodes, 0);
        Z4Matrix.Reset(nNodes, 0);
        if (sources[4].found) {
            std::optional<LoadProblem> found;
            events = LoadDetectionMatrix(sources[4], nNodes, meter, blockSize, found);
            Keep(first, std::move(found));
        }
        for (k = 1; k <= 3; ++k) {
            valueMatrices[k]->Reset(nNodes, events);
            if (!sources[k].found || events == 0) continue;
            std::optional<LoadProblem> found;
            std::int32_t whole = LoadValueMatrix(sources[k], *valueMatrices[k], events, meter, blockSize, found);
            Keep(first, std::move(found));
            if (whole < events) TruncateAll(events = whole);
        }
    } catch (const Stopped&) {
        events = 0;
        Keep(first, ProblemAt(sources[k], 0, "loading was stopped"));
    } catch (const std::runtime_error& error) {
        events = 0;
        Keep(first, ProblemAt(sources[k], 0, error.what()));
    }
    TruncateAll(events);
    Z4Matrix.ReleaseSpareRoom();
    nEvents = events;
    return first;
}

std::string MatrixFilePath(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

std::optional<LoadProblem> LoadScenarioMatrices(const std::string& networkPath, std::int32_t nNodes,
                                                std::int32_t& nEvents, const LoadProgress& progress) {
    std::array<MatrixSource, 5> sources;
    for (int k = 1; k <= 4; ++k) sources[k] = FileSource(MatrixFilePath(networkPath, k));
    return LoadMatrices(sources, nNodes, nEvents, progress);
}

std::string DescribeLoadProblem(const LoadProblem& problem, std::int32_t nEvents) {
    std::string text = "The matrix file " + problem.file;
    if (problem.line > 0) text += ", line " + std::to_string(problem.line) + ",";
    text += " cannot be read: " + problem.what + ".\n";
    if (nEvents == 0) return text + "No events are loaded.";
    return text + "The first " + std::to_string(nEvents) + " events, read whole from every matrix file, are used.";
}

}  // namespace fitness
