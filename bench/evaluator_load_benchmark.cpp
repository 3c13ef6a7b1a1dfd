// Times the loading of a matrix set of network 2's shape and reports the
// text rate and the memory used beyond the matrices themselves.
//
//   evaluator_load_benchmark [folder] [nodes] [events]
//
// The synthetic set (default 12,500 nodes x 2,000 events) is written once
// into the folder and reused by later runs of the same shape. The files
// are read from the page cache on a warm run.
#include <sys/resource.h>
#include <time.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "matrix/file_names.h"
#include "matrix/matrix_loading.h"

namespace fs = std::filesystem;

namespace {

std::string Number(float value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    return std::string(buffer, end);
}

// One event: detected at a node with probability 0.3; detection times,
// people affected and volumes as the builder writes them.
void WriteEventRows(std::mt19937& random, int nNodes, int event, std::ofstream* files) {
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    std::string rows[5];
    std::string description = "\"J" + std::to_string(event % nNodes + 1) + "\"," + std::to_string(event % 288) +
                              ",479167,999,999,999,999,999,999,";
    for (int k = 1; k <= 4; ++k) rows[k] = description;
    for (int n = 1; n <= nNodes; ++n) {
        bool detected = uniform(random) < 0.3f;
        rows[4] += detected ? "1," : "0,";
        rows[1] += (detected ? Number(5.0f * static_cast<float>(static_cast<int>(uniform(random) * 1000))) : "11520") + ",";
        rows[2] += (detected ? Number(uniform(random) * 1000.0f) : "-1") + ",";
        rows[3] += (detected ? Number(uniform(random) * 50000.0f) : "-1") + ",";
    }
    for (int k = 1; k <= 4; ++k) files[k] << rows[k] << "\r\n";
}

void WriteMatrixSet(const std::string& networkPath, int nNodes, int nEvents) {
    std::ofstream files[5];
    std::string header;
    for (int f = 0; f < 9; ++f) header += "999,";
    for (int n = 1; n <= nNodes; ++n) header += "\"J" + std::to_string(n) + "\",";
    for (int k = 1; k <= 4; ++k) {
        files[k].open(matrix::MatrixFileName(networkPath, k), std::ios::binary);
        files[k] << header << "\r\n";
    }
    std::mt19937 random(20240601);
    for (int e = 1; e <= nEvents; ++e) WriteEventRows(random, nNodes, e, files);
}

// Processor time of this process: on a busy machine the wall clock also
// counts the time other programs held the core.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = argc > 1 ? argv[1] : (fs::temp_directory_path() / "tesmar-matrix-benchmark");
    int nNodes = argc > 2 ? std::atoi(argv[2]) : 12500;
    int nEvents = argc > 3 ? std::atoi(argv[3]) : 2000;
    fs::create_directories(folder);
    std::string networkPath = (folder / ("Network_2_" + std::to_string(nNodes) + "x" + std::to_string(nEvents) + ".inp")).string();
    if (!fs::exists(matrix::MatrixFileName(networkPath, 3))) {
        std::printf("Writing %d nodes x %d events into %s ...\n", nNodes, nEvents, folder.c_str());
        WriteMatrixSet(networkPath, nNodes, nEvents);
    }
    std::uintmax_t bytes = 0;
    for (int k = 1; k <= 4; ++k) bytes += fs::file_size(matrix::MatrixFileName(networkPath, k));

    std::vector<std::string> ids;
    for (int n = 1; n <= nNodes; ++n) ids.push_back("J" + std::to_string(n));
    long before = ResidentKiB();
    auto start = std::chrono::steady_clock::now();
    double processorStart = ProcessorSeconds();
    const matrix::LoadedMatrices set = matrix::LoadMatrixText(networkPath, ids);
    double processor = ProcessorSeconds() - processorStart;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::int32_t loaded = set.set.nEvents;
    if (set.problem) {
        std::printf("%s\n", matrix::DescribeLoadProblem(*set.problem, loaded).c_str());
        return 1;
    }

    double megabytes = static_cast<double>(bytes) / 1e6;
    double matrixMiB = static_cast<double>(nNodes) * loaded * (1 + 3 * 4) / 1048576.0;
    double usedMiB = static_cast<double>(PeakResidentKiB() - before) / 1024.0;
    std::printf("events loaded      %d of %d, %d nodes\n", loaded, nEvents, nNodes);
    std::printf("matrix text        %.1f MB\n", megabytes);
    std::printf("wall clock         %.3f s = %.0f MB/s\n", seconds, megabytes / seconds);
    std::printf("processor time     %.3f s = %.0f MB/s\n", processor, megabytes / processor);
    std::printf("matrices           %.1f MiB\n", matrixMiB);
    std::printf("memory while load  %.1f MiB peak above the start (%+.1f%% of the matrices)\n", usedMiB,
                100.0 * (usedMiB - matrixMiB) / matrixMiB);
    return 0;
}
