// The matrix store on a set of network 2's full default shape:
//   matrix_store_bench [folder] [events] [sensors...]
// Writes (once, reused by later runs) a synthetic set over Network 2's
// 16,338 nodes through the builder's own encoder and writer, reporting how
// fast the writer takes records; then runs `tesmar fitness` end to end,
// with a warm page cache,
// from the binary files and from the text files alone, reporting wall
// time, text rate and peak resident memory against the files' sizes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "matrix/file_names.h"
#include "matrix/matrix_writer.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/solving_copy.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// One synthetic event: about a sixth of the nodes detect it, with times on
// the 5-minute grid, people affected and volumes as a build would give.
void SyntheticEvent(std::mt19937_64& random, std::size_t nNodes, std::vector<std::uint8_t>& flags,
                    std::vector<float>& z1, std::vector<float>& z2, std::vector<float>& z3) {
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    flags.assign(nNodes, 0);
    z1.assign(nNodes, 11520.0f);
    z2.assign(nNodes, -1.0f);
    z3.assign(nNodes, -1.0f);
    for (std::size_t n = 0; n < nNodes; ++n) {
        if (uniform(random) >= 0.17f) continue;
        flags[n] = 1;
        z1[n] = 5.0f * static_cast<float>(static_cast<int>(uniform(random) * 1000));
        z2[n] = uniform(random) * 3000.0f;
        z3[n] = uniform(random) * 2.0e6f;
    }
}

void WriteSet(const network::Network& net, std::int32_t events) {
    const std::span<const std::string> ids(net.NodeID.data() + 1, static_cast<std::size_t>(net.nNodes));
    matrix::MatrixWriter writer(net.path, ids, true);
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    double encoding = 0, writing = 0;
    const auto start = Clock::now();
    constexpr std::int32_t kBatch = 64;
    std::vector<matrix::EncodedEvent> batch(kBatch);
    for (std::int32_t first = 1; first <= events; first += kBatch) {
        const std::int32_t count = std::min(kBatch, events - first + 1);
        auto t0 = Clock::now();
        std::vector<std::jthread> workers;
        for (unsigned w = 0; w < threads; ++w)
            workers.emplace_back([&, w] {
                std::vector<std::uint8_t> flags;
                std::vector<float> z1, z2, z3;
                for (std::int32_t i = static_cast<std::int32_t>(w); i < count; i += static_cast<std::int32_t>(threads)) {
                    std::mt19937_64 random(static_cast<std::uint64_t>(first + i));
                    SyntheticEvent(random, ids.size(), flags, z1, z2, z3);
                    const std::string& node = ids[static_cast<std::size_t>(first + i - 1) % ids.size()];
                    const matrix::InjectionColumns injection{node, (first + i) % 288, 479167.0f};
                    matrix::EventValues values{flags, z1, z2, z3, true, first + i, 1234.5f, 6.5e6f};
                    matrix::EncodeEvent(std::span(&injection, 1), values, batch[static_cast<std::size_t>(i)]);
                }
            });
        workers.clear();
        encoding += Seconds(t0);
        t0 = Clock::now();
        for (std::int32_t i = 0; i < count; ++i) writer.Append(batch[static_cast<std::size_t>(i)]);
        writing += Seconds(t0);
        if ((first / kBatch) % 64 == 0)
            std::fprintf(stderr, "\r  %d/%d events written", first + count - 1, events);
    }
    writer.Close();
    std::fprintf(stderr, "\n");
    std::printf("writing the set: %.0f s in all; the writer alone takes %.0f records/s (%.1f s), encoding on %u "
                "threads %.0f events/s\n", Seconds(start), events / writing, writing, threads, events / encoding);
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int exitCode = -1;
};

Run Fitness(const std::string& network, const std::vector<std::string>& sensors) {
    const std::string tool = network::ProgramFolder() + "/tesmar";
    std::vector<std::string> args{tool, "fitness", network};
    args.insert(args.end(), sensors.begin(), sensors.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Not freopen: that would flush the benchmark's own buffered output a second time.
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0) ::dup2(devNull, STDOUT_FILENO);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {Seconds(start), usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::uintmax_t Bytes(const std::string& network, bool binary) {
    std::uintmax_t bytes = 0;
    for (int k = 1; k <= 4; ++k)
        bytes += fs::file_size(binary ? matrix::BinaryFileName(network, k) : matrix::MatrixFileName(network, k));
    return bytes;
}

void DropFromCache(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Reads a file through, so that a run finds it in the page cache. The
// machine's own reclaim may have dropped the pages of a file not read lately.
void Warm(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return;
    std::vector<char> buffer(1 << 20);
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
}

Run Best(const std::string& network, const std::vector<std::string>& sensors, int runs, bool binary) {
    Run best;
    for (int r = 0; r < runs; ++r) {
        for (int k = 1; k <= 4; ++k) Warm(binary ? matrix::BinaryFileName(network, k) : matrix::MatrixFileName(network, k));
        const Run run = Fitness(network, sensors);
        if (run.exitCode != 0) throw std::runtime_error("tesmar fitness failed");
        if (r == 0 || run.seconds < best.seconds) best = run;
        best.peakKiB = std::max(best.peakKiB, run.peakKiB);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? argv[1] : fs::temp_directory_path() / "tesmar-store-benchmark";
    const std::int32_t events = argc > 2 ? std::stoi(argv[2]) : 32676;
    std::vector<std::string> sensors;
    for (int i = 3; i < argc; ++i) sensors.push_back(argv[i]);
    try {
        fs::create_directories(folder);
        const std::string network = (folder / "Network_2.inp").string();
        if (!fs::exists(network)) fs::copy_file(network::ProgramFolder() + "/Networks/Example2/Network_2.inp", network);
        const network::Network net = network::LoadNetwork(network, network::LoadToolkit(), network::TemporaryFolder());
        if (sensors.empty())
            for (int n : {101, 2500, 5000, 7500, 10000, 12500, 15000, 16000}) sensors.push_back(net.NodeID[n]);
        const bool existing = fs::exists(matrix::BinaryFileName(network, 3)) &&
                              fs::file_size(matrix::BinaryFileName(network, 4)) ==
                                  128 + static_cast<std::uintmax_t>(events) * static_cast<std::uintmax_t>(net.nNodes);
        std::printf("matrix store on %d events x %d nodes (Network 2's nodes), %zu sensors\n", events, net.nNodes,
                    sensors.size());
        if (!existing) WriteSet(net, events);
        const double binaryMB = static_cast<double>(Bytes(network, true)) / 1e6;
        const double textMB = static_cast<double>(Bytes(network, false)) / 1e6;

        const Run binary = Best(network, sensors, 3, true);
        std::printf("tesmar fitness from the binary files (%.0f MB): %.2f s, peak resident %.0f MB (%.1f%% of the "
                    "files)\n", binaryMB, binary.seconds, binary.peakKiB / 1024.0, 100.0 * binary.peakKiB * 1024 / (binaryMB * 1e6));

        // Both forms of the set do not fit a 24 GB machine's page cache beside
        // the text reader's memory: the binary files make room.
        for (int k = 1; k <= 4; ++k) DropFromCache(matrix::BinaryFileName(network, k));
        for (int k = 1; k <= 4; ++k) fs::rename(matrix::BinaryFileName(network, k), matrix::BinaryFileName(network, k) + ".aside");
        Run text;
        try {
            text = Best(network, sensors, 2, false);
        } catch (...) {
            for (int k = 1; k <= 4; ++k) fs::rename(matrix::BinaryFileName(network, k) + ".aside", matrix::BinaryFileName(network, k));
            throw;
        }
        for (int k = 1; k <= 4; ++k) fs::rename(matrix::BinaryFileName(network, k) + ".aside", matrix::BinaryFileName(network, k));
        std::printf("tesmar fitness from the text files (%.0f MB): %.2f s = %.0f MB/s, peak resident %.0f MB\n",
                    textMB, text.seconds, textMB / text.seconds, text.peakKiB / 1024.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "matrix_store_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
