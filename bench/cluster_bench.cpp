// Measures builds across processes on this machine:
//   cluster_bench [rounds] [network-1 events] [network-2 events] [writer records]
// (defaults: 3 rounds, 1200 and 12 events, 3000 records; 0 leaves a part out)
//
// 1. Events per second of one process with two worker threads and of two
//    processes (mpirun -np 2) with one worker thread each, bound to a core
//    each (mpirun's default) and not bound, on both example networks. The
//    builds alternate, which one goes first changing from round to round,
//    because the machine's speed drifts; a ratio is the median of the
//    rounds' own ratios. A rate counts from the first event written to the
//    last (set-up left out), from the progress lines; the processor time of
//    all processes of a build (set-up included) per event shows its cost
//    apart from what else runs on the machine. The files of the builds of
//    a round must be the same, byte for byte.
// 2. The writer's ceiling on network 2: this program again, under
//    mpirun -np 2, in writer mode. Rank 0 runs the writing process's real
//    hand-out and writer with no workers of its own; rank 1 simulates one
//    event once and then answers every batch of events at once with that
//    event's records. Records per second the writing process takes in.
//   cluster_bench writer RECORDS      (started under mpirun by part 2)
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_folder.h"
#include "builder/build_context.h"
#include "builder/project_session.h"
#include "builder/validation.h"
#include "cluster/handout.h"
#include "cluster/mpi_link.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/solving_copy.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

std::string ExampleNetwork(int number) {
    const std::string n = std::to_string(number);
    return network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> FindMpirun() {
    std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((folder + "/mpirun").c_str(), X_OK) == 0) return folder + "/mpirun";
    return std::nullopt;
}

// A child's error-stream lines, each with the time it arrived, and its exit code.
struct ChildRun {
    std::vector<std::pair<Clock::time_point, std::string>> lines;
    std::string out;
    int exitCode = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // of the child and every process it waited for (mpirun: the ranks)
};

ChildRun RunChild(const std::vector<std::string>& command) {
    int err[2], out[2];
    if (::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const auto started = Clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + command[0]);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    ::close(out[1]);
    ChildRun run;
    std::string pending;
    pollfd fds[2] = {{err[0], POLLIN, 0}, {out[0], POLLIN, 0}};
    for (int open = 2; open > 0;) {
        if (::poll(fds, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            if (i == 1) {
                run.out.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
                run.lines.emplace_back(Clock::now(), pending.substr(0, end));
        }
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.wallSeconds = Seconds(Clock::now() - started);
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// Events per second from the first progress line to the last: the events
// written after the first line over the time between them.
double SteadyRate(const ChildRun& run) {
    std::optional<std::pair<Clock::time_point, long>> first, last;
    for (const auto& [at, line] : run.lines) {
        long done = 0, total = 0;
        if (std::sscanf(line.c_str(), "tesmar: %ld/%ld events", &done, &total) != 2) continue;
        if (!first) first = {at, done};
        last = {at, done};
    }
    if (!first || last->second <= first->second) return 0;
    return static_cast<double>(last->second - first->second) / Seconds(last->first - first->first);
}

std::string Errors(const ChildRun& run) {
    std::string text;
    for (const auto& line : run.lines) text += line.second + "\n";
    return text;
}

// Every data file of a build beside the network.
std::map<std::string, std::string> DataFiles(const std::string& network) {
    std::map<std::string, std::string> files;
    for (const char* suffix : {".z1", ".z2", ".z3", ".z4", ".z1.npy", ".z2.npy", ".z3.npy", ".z4.npy", ".events.csv"})
        if (fs::exists(network + suffix)) files[suffix] = ReadAll(network + suffix);
    return files;
}

// The forms of a build compared: one process with two threads, and two
// processes with one thread each, bound to a core each (mpirun's default)
// and not bound.
constexpr int kForms = 3;
const char* const kFormNames[kForms] = {"1 process x 2 threads", "2 processes x 1 thread", "2 x 1, --bind-to none"};

struct Comparison {
    double rate[kForms] = {0, 0, 0};   // medians, events/s
    double ratio[kForms] = {1, 0, 0};  // medians of each round's rate over the threaded one's
    double cpu[kForms] = {0, 0, 0};    // medians, processor seconds per event, set-up included
    bool identical = true;
};

std::vector<std::string> FormCommand(int form, const std::string& mpirun, const std::vector<std::string>& build) {
    const std::string tesmar = network::ProgramFolder() + "/tesmar";
    std::vector<std::string> command;
    if (form > 0) {
        command = {mpirun, "--oversubscribe", "-np", "2"};
        if (form == 2) command.insert(command.end(), {"--bind-to", "none"});
        if (::geteuid() == 0) command.push_back("--allow-run-as-root");
    }
    command.push_back(tesmar);
    command.insert(command.end(), build.begin(), build.end());
    command.insert(command.end(), {"--threads", form == 0 ? "2" : "1"});
    return command;
}

Comparison CompareForms(const std::string& mpirun, const std::string& network, int rounds, int events) {
    const std::vector<std::string> build{"build",  network,    "--mode", "random", "--random-events",
                                         std::to_string(events), "--seed", "20260101"};
    std::vector<double> rates[kForms], ratios[kForms], cpu[kForms];
    Comparison comparison;
    for (int round = 0; round < rounds; ++round) {
        std::map<std::string, std::string> files[kForms];
        double rate[kForms] = {0, 0, 0};
        for (int turn = 0; turn < kForms; ++turn) {
            const int form = (round + turn) % kForms;  // each round starts with another form
            const ChildRun run = RunChild(FormCommand(form, mpirun, build));
            if (run.exitCode != 0) throw std::runtime_error("a build failed:\n" + Errors(run));
            rate[form] = SteadyRate(run);
            cpu[form].push_back(run.cpuSeconds / events);
            files[form] = DataFiles(network);
        }
        std::printf("  round %d:", round + 1);
        for (int form = 0; form < kForms; ++form) {
            comparison.identical = comparison.identical && !files[form].empty() && files[form] == files[0];
            rates[form].push_back(rate[form]);
            ratios[form].push_back(rate[form] / rate[0]);
            std::printf(" %s %.3f ev/s%s", kFormNames[form], rate[form], form + 1 < kForms ? ";" : "\n");
        }
        std::fflush(stdout);
    }
    for (int form = 0; form < kForms; ++form) {
        comparison.rate[form] = Median(rates[form]);
        comparison.ratio[form] = Median(ratios[form]);
        comparison.cpu[form] = Median(cpu[form]);
    }
    return comparison;
}

// --- writer mode: runs under mpirun --------------------------------------

// A Records message of `count` copies of one event's records, and where
// each copy's event number sits, so a batch is answered by writing the
// numbers in.
struct RecordsTemplate {
    std::vector<char> bytes;
    std::vector<std::size_t> indexAt;
    MPI_Request sending = MPI_REQUEST_NULL;
};

RecordsTemplate MakeTemplate(const matrix::EncodedEvent& records, int count) {
    RecordsTemplate made;
    cluster::RecordsEncoder encoder(made.bytes);
    for (int i = 0; i < count; ++i) {
        made.indexAt.push_back(made.bytes.size());
        encoder.Add(0, records);
    }
    return made;
}

void SendRecords(cluster::MpiLink& link, const std::vector<builder::EventTask>& tasks,
                 const matrix::EncodedEvent& records, std::vector<RecordsTemplate>& templates, std::size_t& next) {
    if (tasks.size() != templates[0].indexAt.size()) {
        std::vector<char> bytes;
        cluster::RecordsEncoder encoder(bytes);
        for (const builder::EventTask& task : tasks) encoder.Add(task.index, records);
        link.Send(0, cluster::Tag::Records, std::move(bytes));
        return;
    }
    RecordsTemplate& use = templates[next++ % templates.size()];
    MPI_Wait(&use.sending, MPI_STATUS_IGNORE);
    for (std::size_t i = 0; i < tasks.size(); ++i)
        std::memcpy(use.bytes.data() + use.indexAt[i], &tasks[i].index, sizeof tasks[i].index);
    MPI_Isend(use.bytes.data(), static_cast<int>(use.bytes.size()), MPI_BYTE, 0,
              static_cast<int>(cluster::Tag::Records), MPI_COMM_WORLD, &use.sending);
}

// Rank 1 and up: one real event's records, sent for every event asked.
void Replay(cluster::MpiLink& link, const network::Network& net, const builder::RunParameters& parameters) {
    const builder::FlowFactors flow = builder::ValidateBuild(net, parameters);
    const builder::Baseline baseline = builder::RunBaseline(net, parameters, flow);
    builder::ProjectSession session(net, parameters);
    builder::EventSimulation simulation(baseline, builder::MakeEventSettings(net, parameters, flow));
    const std::vector<builder::Event> events =
        builder::GenerateEvents(net, parameters, builder::SeededUniformSource(1));
    builder::EventResult result;
    simulation.Run(session, events.front(), result);
    matrix::EncodedEvent records;
    std::vector<matrix::InjectionColumns> columns;
    builder::EncodeResult(events.front(), 1, result, true, columns, records);
    constexpr int kBatch = 64;
    std::vector<RecordsTemplate> templates;
    for (int i = 0; i < 3; ++i) templates.push_back(MakeTemplate(records, kBatch));
    std::size_t next = 0;

    link.Send(0, cluster::Tag::Request, cluster::EncodeNumber(kBatch));
    cluster::Message message;
    std::vector<builder::EventTask> tasks;
    for (bool quit = false; !quit;) {
        if (!link.Poll(message)) {
            // Leaves the processor to the writer on a machine with few cores.
            link.SendsDone();
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            continue;
        }
        if (message.tag == cluster::Tag::Quit) quit = true;
        if (message.tag == cluster::Tag::Finish) link.Send(0, cluster::Tag::Done, {});
        if (message.tag != cluster::Tag::Events) continue;
        tasks.clear();
        cluster::DecodeEvents(message.Bytes(), net, tasks);
        if (tasks.empty()) {
            link.Send(0, cluster::Tag::Done, {});
            continue;
        }
        SendRecords(link, tasks, records, templates, next);
        link.Send(0, cluster::Tag::Request, cluster::EncodeNumber(kBatch));
    }
    for (RecordsTemplate& sent : templates) MPI_Wait(&sent.sending, MPI_STATUS_IGNORE);
    while (!link.SendsDone()) {
    }
}

// Rank 0: the real hand-out and writer, no workers of its own.
void Write(cluster::MpiLink& link, const network::Network& net, const builder::RunParameters& parameters) {
    builder::BuildDescription description;
    description.parameters = parameters;
    description.seed = 1;
    cluster::Team team;
    for (int rank = 1; rank < link.Size(); ++rank) team.push_back(cluster::Peer{rank, "replay", 1});
    builder::EventRunner runner;
    runner.processes = link.Size();
    runner.workers = link.Size() - 1;
    runner.run = [&](builder::BuildContext& build) {
        cluster::Handout handout(link, team, build, 0, nullptr, cluster::Timing{});
        return handout.Run();
    };
    std::optional<Clock::time_point> first;
    std::int32_t firstDone = 0, lastDone = 0;
    Clock::time_point last;
    builder::BuildHost host;
    host.progress = [&](const builder::BuildProgress& p) {
        if (p.done == 0) return;
        if (!first) {
            first = Clock::now();
            firstDone = p.done;
        }
        last = Clock::now();
        lastDone = p.done;
    };
    const builder::BuildOutcome outcome = builder::RunBuild(net, description, host, runner);
    if (outcome.status != builder::BuildStatus::Completed) throw std::runtime_error("writer: " + outcome.reason);
    const double rate = (lastDone - firstDone) / Seconds(last - *first);
    std::uintmax_t bytes = 0;
    for (const char* suffix : {".z1", ".z2", ".z3", ".z4", ".z1.npy", ".z2.npy", ".z3.npy", ".z4.npy"})
        bytes += fs::file_size(net.path + suffix);
    std::printf("writer %.1f records/s %.1f MB/s\n", rate, rate * static_cast<double>(bytes) / outcome.eventsWritten / 1e6);
}

int WriterMode(int records) {
    const bench::BenchFolder workspace;
    cluster::MpiLink link;
    const std::string folder = workspace.Path() + "/net" + std::to_string(link.Rank());
    fs::create_directories(folder);
    const std::string path = folder + "/Network_2.inp";
    fs::copy_file(ExampleNetwork(2), path);
    const network::Network net = network::LoadNetwork(path, network::LoadToolkit(), network::TemporaryFolder());
    builder::RunParameters parameters;
    parameters.Mode = builder::EventMode::RandomEvents;
    parameters.nRandomEvents = records;
    if (link.Rank() == 0)
        Write(link, net, parameters);
    else
        Replay(link, net, parameters);
    return 0;
}

double WriterCeiling(const std::string& mpirun, int records) {
    std::vector<std::string> command{mpirun, "--oversubscribe", "-np", "2"};
    if (::geteuid() == 0) command.push_back("--allow-run-as-root");
    command.insert(command.end(), {network::ProgramFolder() + "/cluster_bench", "writer", std::to_string(records)});
    const ChildRun run = RunChild(command);
    double rate = 0, megabytes = 0;
    if (run.exitCode != 0 || std::sscanf(run.out.c_str(), "writer %lf records/s %lf MB/s", &rate, &megabytes) != 2)
        throw std::runtime_error("the writer run failed:\n" + run.out + Errors(run));
    std::printf("  %d records of network 2: %.1f records/s, %.0f MB/s of matrix files\n", records, rate, megabytes);
    return rate;
}

int Measure(int rounds, int events1, int events2, int records) {
    const std::optional<std::string> mpirun = FindMpirun();
    if (!mpirun) {
        std::fprintf(stderr, "cluster_bench: mpirun is not installed (Debian: openmpi-bin)\n");
        return 1;
    }
    const bench::BenchFolder workspace;
    double perWorker2 = 0;
    for (int number : {1, 2}) {
        const std::string folder = workspace.Path() + "/n" + std::to_string(number);
        fs::create_directories(folder);
        const std::string network = folder + "/Network_" + std::to_string(number) + ".inp";
        fs::copy_file(ExampleNetwork(number), network);
        const int events = number == 1 ? events1 : events2;
        if (events <= 0) continue;
        std::printf("Network %d, %d random events, %d rounds:\n", number, events, rounds);
        const Comparison c = CompareForms(*mpirun, network, rounds, events);
        std::printf("  medians:");
        for (int form = 0; form < kForms; ++form)
            std::printf(" %s %.3f ev/s (%.3f), %.4f processor s/event;", kFormNames[form], c.rate[form],
                        c.ratio[form], c.cpu[form]);
        std::printf(" files %s\n", c.identical ? "identical" : "DIFFERENT");
        if (number == 2) perWorker2 = c.rate[1] / 2;
    }
    if (records <= 0) return 0;
    std::printf("Writer ceiling:\n");
    const double ceiling = WriterCeiling(*mpirun, records);
    const double eventSeconds = perWorker2 > 0 ? 1 / perWorker2 : 0;
    std::printf("  network 2 here: %.2f s per event and worker thread; the writer keeps up with %.0f single-thread "
                "or %.0f two-thread processes (at 2.5 s per event: %.0f and %.0f)\n",
                eventSeconds, ceiling * eventSeconds, ceiling * eventSeconds / 2, ceiling * 2.5, ceiling * 2.5 / 2);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc >= 2 && std::string(argv[1]) == "writer") return WriterMode(argc >= 3 ? std::atoi(argv[2]) : 3000);
        const auto number = [&](int i, int otherwise) { return argc > i ? std::atoi(argv[i]) : otherwise; };
        return Measure(number(1, 3), number(2, 1200), number(3, 12), number(4, 3000));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cluster_bench: %s\n", e.what());
        return 1;
    }
}
