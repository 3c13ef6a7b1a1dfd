#include "matrix/matrix_loading.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <new>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "base/number_text.h"
#include "matrix/event_row.h"
#include "matrix/file_names.h"
#include "matrix/row_checks.h"

namespace matrix {

namespace {

// The share of all matrix text read, counted by the threads that read it.
struct Meter {
    std::atomic<std::uint64_t> done{0};
    std::atomic<bool> stop{false};
    std::uint64_t total = 0;
};

struct Stopped {};  // the progress callback asked to stop

// One file's rows as read: its cells, a fingerprint of each row's event
// columns, and the first fault found (and at which row, from 1).
template <typename T>
struct FileRows {
    std::vector<T> cells;
    std::vector<std::uint64_t> columns;
    std::int32_t rows = 0;
    std::optional<LoadProblem> problem;
    std::int64_t problemRow = 0;  // 0: the file as a whole (header, open)
};

// Counts the records after the header: the events of a detection file.
std::int32_t CountRecords(const MatrixSource& source, std::size_t blockSize, Meter& meter) {
    LineReader reader(source.open(), blockSize);
    std::string_view line;
    std::int64_t records = -1;
    std::uint64_t reported = 0;
    while (!reader.OnlyBlankLinesLeft() && reader.Next(line)) {
        ++records;
        if (reader.BytesDone() - reported >= (1u << 22)) {
            meter.done += reader.BytesDone() - reported;
            reported = reader.BytesDone();
            if (meter.stop) throw Stopped{};
        }
    }
    meter.done += reader.BytesDone() - reported;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(records, 0, std::numeric_limits<std::int32_t>::max()));
}

// Reads the rows of one file, at most maxRows of them, checking each
// against the network's nodes.
template <typename T>
FileRows<T> ReadFile(const MatrixSource& source, std::span<const std::string> nodeIds, std::int32_t maxRows,
                     bool detection, Meter& meter, std::size_t blockSize) {
    FileRows<T> file;
    const auto nNodes = static_cast<std::int32_t>(nodeIds.size());
    LineReader reader(source.open(), blockSize);
    std::string_view line;
    auto fault = [&](std::int64_t at, std::string what, std::int64_t row) {
        file.problem = LoadProblem{source.name, at, std::move(what)};
        file.problemRow = row;
    };
    if (!reader.Next(line)) {
        fault(1, "the file is empty", 0);
        return file;
    }
    if (auto wrong = CheckHeader(line, nodeIds)) {
        fault(1, *wrong + "; the matrix set does not belong to this network", 0);
        return file;
    }
    file.cells.reserve(static_cast<std::size_t>(maxRows) * nodeIds.size());
    file.columns.reserve(static_cast<std::size_t>(maxRows));
    std::uint64_t reported = 0;
    while (file.rows < maxRows) {
        if (reader.OnlyBlankLinesLeft()) {
            if (!detection)
                fault(reader.LineNumber() + 1,
                      "the file ends after " + std::to_string(file.rows) + " event rows where " +
                          std::to_string(maxRows) + " are needed",
                      file.rows + 1);
            break;
        }
        reader.Next(line);
        const std::size_t at = file.cells.size();
        file.cells.resize(at + nodeIds.size());
        if (auto wrong = ReadEventRow(line, nNodes, file.cells.data() + at)) {
            file.cells.resize(at);
            fault(reader.LineNumber(), *wrong, file.rows + 1);
            break;
        }
        file.columns.push_back(Fingerprint(*EventColumns(line)));
        ++file.rows;
        if (reader.BytesDone() - reported >= (1u << 20)) {
            meter.done += reader.BytesDone() - reported;
            reported = reader.BytesDone();
            if (meter.stop) throw Stopped{};
        }
    }
    if (detection && file.rows == 0 && !file.problem)
        fault(reader.LineNumber() + 1, "there is no event row after the header line", 1);
    meter.done += reader.BytesDone() - reported;
    return file;
}

// Keeps the problem that cut the events first: events becomes whole - 1
// rows of agreement when a fault sits at row `whole`.
void Keep(std::optional<LoadProblem>& first, std::int32_t& events, std::int32_t kept,
          std::optional<LoadProblem> found) {
    if (!found || kept >= events) return;
    first = std::move(found);
    events = kept;
}

// Rows whose event columns agree with those of the detection file.
std::int32_t AgreeingRows(const FileRows<float>& file, const FileRows<std::uint8_t>& detection) {
    const auto n = std::min(file.columns.size(), detection.columns.size());
    for (std::size_t e = 0; e < n; ++e)
        if (file.columns[e] != detection.columns[e]) return static_cast<std::int32_t>(e);
    return static_cast<std::int32_t>(n);
}

// The first of the events' rows holding a value no build writes, and why.
std::optional<std::pair<std::int32_t, std::string>> FirstUnsoundRow(int k, const std::vector<float>& cells,
                                                                    const std::vector<std::uint8_t>& flags,
                                                                    std::int32_t events, std::size_t nNodes) {
    for (std::int32_t e = 0; e < events; ++e) {
        const std::size_t at = static_cast<std::size_t>(e) * nNodes;
        if (auto why = UnsoundValue(k, cells.data() + at, flags.data() + at, nNodes)) return std::pair(e, *why);
    }
    return std::nullopt;
}

// Memory this process may still take: what the system has available, and
// no more than its own data limit allows.
std::uint64_t AvailableMemory() {
    std::uint64_t available = std::numeric_limits<std::uint64_t>::max();
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (meminfo >> key >> kib) {
        if (key == "MemAvailable:") available = kib * 1024;
        meminfo.ignore(256, '\n');
    }
    rlimit limit{};
    for (int resource : {RLIMIT_DATA, RLIMIT_AS})
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            available = std::min<std::uint64_t>(available, limit.rlim_cur);
    return available;
}

std::string Gigabytes(double bytes) {
    return base::FixedText(bytes / 1e9, 1) + " GB";
}

// Refuses to start reading matrices that cannot fit: better a message with
// the size than a process the system kills.
void RequireRoom(std::int32_t events, std::size_t nNodes, const std::array<MatrixSource, 5>& sources,
                 std::uint64_t memoryLimit) {
    std::uint64_t cellBytes = 1;
    for (int k = 1; k <= 3; ++k)
        if (sources[k].found) cellBytes += sizeof(float);
    const double needed = static_cast<double>(events) * static_cast<double>(nNodes) * static_cast<double>(cellBytes);
    const auto available = static_cast<double>(memoryLimit > 0 ? memoryLimit : AvailableMemory());
    if (needed > available)
        throw std::runtime_error("the matrices need " + Gigabytes(needed) + " of memory to be read from their text, "
                                 "more than the " + Gigabytes(available) + " available; `tesmar convert` writes "
                                 "their binary form, which is read without loading it whole");
}

// Tells the caller how far the reading got; false once it asked to stop.
bool Report(const LoadProgress& progress, Meter& meter) {
    if (progress && !meter.stop &&
        !progress(meter.total == 0 ? 1.0 : std::min(1.0, static_cast<double>(meter.done) / static_cast<double>(meter.total))))
        meter.stop = true;
    return !meter.stop;
}

// Waits for a reading thread, reporting progress on the calling thread
// (which may be a window's) now and then.
template <typename Result>
Result Wait(std::future<Result>& task, const LoadProgress& progress, Meter& meter) {
    while (task.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) Report(progress, meter);
    return task.get();
}

// Reads the four files at once (each on a thread of its own) and keeps the
// events that every file gave whole and in agreement.
MatrixSet Read(const std::array<MatrixSource, 5>& sources, std::span<const std::string> nodeIds,
               const LoadProgress& progress, std::size_t blockSize, std::uint64_t memoryLimit,
               std::optional<LoadProblem>& first, std::int32_t& recordCount) {
    const std::size_t nNodes = nodeIds.size();
    Meter meter;
    for (int k = 1; k <= 4; ++k)
        if (sources[k].found) meter.total += sources[k].size;
    MatrixSet set;
    set.nNodes = static_cast<std::int32_t>(nNodes);
    if (!sources[4].found) return set;

    if (!Report(progress, meter)) throw Stopped{};
    auto counting = std::async(std::launch::async, [&] { return CountRecords(sources[4], blockSize, meter); });
    const std::int32_t records = Wait(counting, progress, meter);
    recordCount = records;
    RequireRoom(records, nNodes, sources, memoryLimit);
    meter.total += sources[4].size;  // the detection file is read twice
    auto detectionTask = std::async(std::launch::async, [&] {
        return ReadFile<std::uint8_t>(sources[4], nodeIds, records, true, meter, blockSize);
    });
    std::array<std::future<FileRows<float>>, 4> valueTasks;
    for (int k = 1; k <= 3; ++k)
        if (sources[k].found)
            valueTasks[k] = std::async(std::launch::async, [&, k] {
                return ReadFile<float>(sources[k], nodeIds, records, false, meter, blockSize);
            });
    FileRows<std::uint8_t> detection = Wait(detectionTask, progress, meter);
    std::array<FileRows<float>, 4> values;
    for (int k = 1; k <= 3; ++k)
        if (valueTasks[k].valid()) values[k] = Wait(valueTasks[k], progress, meter);
    if (meter.stop || !Report(progress, meter)) throw Stopped{};

    std::int32_t events = detection.rows;
    first = detection.problem;
    for (int k = 1; k <= 3; ++k) {
        if (!sources[k].found) continue;
        const FileRows<float>& file = values[k];
        // A fault beyond the rows the detection file gave does not count.
        if (file.problem && file.problemRow <= events)
            Keep(first, events, static_cast<std::int32_t>(std::max<std::int64_t>(0, file.problemRow - 1)), file.problem);
        const std::int32_t agreeing = AgreeingRows(file, detection);
        if (agreeing < std::min(events, file.rows))
            Keep(first, events, agreeing,
                 LoadProblem{sources[k].name, agreeing + 2,
                             "its event columns differ from those of the same event in " + sources[4].name +
                                 "; the files come from different builds"});
    }
    std::array<std::future<std::optional<std::pair<std::int32_t, std::string>>>, 4> checks;
    for (int k = 1; k <= 3; ++k)
        if (sources[k].found)
            checks[k] = std::async(std::launch::async, FirstUnsoundRow, k, std::cref(values[k].cells),
                                   std::cref(detection.cells), events, nNodes);
    for (int k = 1; k <= 3; ++k)
        if (checks[k].valid())
            if (auto unsound = checks[k].get())
                Keep(first, events, unsound->first, LoadProblem{sources[k].name, unsound->first + 2, unsound->second});
    auto keep = [&](auto& cells) {
        cells.resize(static_cast<std::size_t>(events) * nNodes);
        if (cells.capacity() > cells.size() + cells.size() / 20) cells.shrink_to_fit();
        return std::move(cells);
    };
    set.nEvents = events;
    set.Z4 = Matrix<std::uint8_t>::FromCells(keep(detection.cells), events, set.nNodes);
    Matrix<float>* targets[] = {nullptr, &set.Z1, &set.Z2, &set.Z3};
    for (int k = 1; k <= 3; ++k)
        if (sources[k].found) *targets[k] = Matrix<float>::FromCells(keep(values[k].cells), events, set.nNodes);
    return set;
}

}  // namespace

LoadedMatrices LoadMatrices(const std::array<MatrixSource, 5>& sources, std::span<const std::string> nodeIds,
                            const LoadProgress& progress, std::size_t blockSize, std::uint64_t memoryLimit) {
    LoadedMatrices loaded;
    try {
        loaded.set = Read(sources, nodeIds, progress, blockSize, memoryLimit, loaded.problem, loaded.records);
    } catch (const Stopped&) {
        loaded.set = MatrixSet{};
        loaded.problem = LoadProblem{sources[4].name, 0, "loading was stopped"};
    } catch (const std::system_error& error) {
        loaded.set = MatrixSet{};
        loaded.problem = LoadProblem{sources[4].name, 0,
                                     std::string("there is not enough memory to read the matrices (") + error.what() + ")"};
    } catch (const std::runtime_error& error) {
        loaded.set = MatrixSet{};
        loaded.problem = LoadProblem{sources[4].name, 0, error.what()};
    } catch (const std::bad_alloc&) {
        loaded.set = MatrixSet{};
        loaded.problem = LoadProblem{sources[4].name, 0, "there is not enough memory to hold the matrices"};
    }
    loaded.set.nNodes = static_cast<std::int32_t>(nodeIds.size());
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
