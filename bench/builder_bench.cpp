// Measures the scenario builder on the shipped example networks:
//   builder_bench 1|2 [events] [reference-events] [rounds] [round-events] [floor-events] [floor-scaling-events]
// For each network: events per second of the reference procedure, of one
// worker and of every core, from rounds of alternating builds (the
// development machine's speed drifts by several times within minutes, so only
// interleaved figures compare), and for network 2 a larger slice; a worker's event
// against the toolkit floor (quality stepping with the injections switched
// but no node reads or bookkeeping), event by event; the share of a worker's
// time inside the toolkit's quality steps; how the toolkit floor itself
// scales to every core on this machine; and peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_folder.h"
#include "builder/baseline.h"
#include "builder/build.h"
#include "builder/build_context.h"
#include "builder/event_simulation.h"
#include "builder/project_session.h"
#include "builder/validation.h"
#include "matrix/matrix_writer.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/solving_copy.h"

using namespace builder;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A project session that adds up the time spent in the toolkit's quality steps.
struct TimedSession {
    ProjectSession& inner;
    double stepping = 0;
    void SetSourceQuality(int node, float strength) { inner.SetSourceQuality(node, strength); }
    void OpenQuality() { inner.OpenQuality(); }
    long RunQ() {
        auto t0 = Clock::now();
        long t = inner.RunQ();
        stepping += Seconds(t0);
        return t;
    }
    long StepQ() {
        auto t0 = Clock::now();
        long tleft = inner.StepQ();
        stepping += Seconds(t0);
        return tleft;
    }
    void ReadQuality(std::vector<float>& c) { inner.ReadQuality(c); }
    void CloseQuality() { inner.CloseQuality(); }
    bool BackgroundIsZero(std::int32_t s) const { return inner.BackgroundIsZero(s); }
    bool CarriesNoContaminant() { return inner.CarriesNoContaminant(); }
};

// The network under test, with the window's default run parameters.
struct Bench {
    network::Network net;
    RunParameters parameters;
    FlowFactors flow;
    std::vector<Event> events;  // the default event set, seeded

    const Event& EventAt(std::int32_t k) const { return events[static_cast<std::size_t>(k) - 1]; }
    EventSettings Settings() const { return MakeEventSettings(net, parameters, flow); }
    std::unique_ptr<ProjectSession> Session() const {
        return std::make_unique<ProjectSession>(net, parameters);
    }
};

constexpr std::uint64_t kSeed = 12345;

// The same stepping with no node reads and no detection bookkeeping.
void FloorEvent(ProjectSession& session, const Event& event, long q) {
    session.BeginEvent();
    session.OpenQuality();
    long t = -q, tleft = 0;
    do {
        for (const auto& injection : event.injections) {
            long start = q * injection.startStep, length = injection.hours * 3600L, next = t + q;
            bool on = next == start || (start < next && next < start + length);
            if (!on) session.SetSourceQuality(injection.node, 0.0f);
            else if (t % q == 0) session.SetSourceQuality(injection.node, injection.massRate);
        }
        t = session.RunQ();
        tleft = session.StepQ();
    } while (tleft != 0);
    session.CloseQuality();
}

// Loads a copy of the network in a scratch folder, with the window's defaults.
Bench Load(const std::string& source, const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::string path = folder + "/" + std::filesystem::path(source).filename().string();
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    Bench bench;
    bench.net = network::LoadNetwork(path, network::LoadToolkit(), network::TemporaryFolder());
    bench.flow = ValidateBuild(bench.net, bench.parameters);
    bench.events = GenerateEvents(bench.net, bench.parameters, SeededUniformSource(kSeed));
    return bench;
}

BuildDescription Workers(int workers) {
    BuildDescription description;
    description.seed = kSeed;
    description.workers = workers;
    return description;
}

BuildDescription Reference() {
    BuildDescription description = Workers(1);
    description.reference = true;
    return description;
}

// Events per second of the first events of the default set (the build is
// stopped once that many are written), from the start of its first event to
// its end: the baseline run and each worker's set-up (network, hydraulics,
// clean run) come before that and are left out. The reference procedure
// repeats its set-up in every event, which is the point of it.
double BuildRate(const Bench& bench, std::int32_t events, BuildDescription description) {
    std::once_flag started;
    Clock::time_point firstEvent;
    description.beforeEvent = [&](std::int32_t) { std::call_once(started, [&] { firstEvent = Clock::now(); }); };
    BuildHost host;
    std::int32_t written = 0;
    host.progress = [&](const BuildProgress& p) { written = p.done; };
    host.stopRequested = [&] { return written >= events; };
    const BuildOutcome outcome = RunBuild(bench.net, description, host);
    if (outcome.status == BuildStatus::Failed || outcome.status == BuildStatus::Refused)
        throw std::runtime_error(outcome.reason);
    return outcome.eventsWritten / Seconds(firstEvent);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

struct Rates {
    double reference = 0, single = 0, many = 0;  // medians, events/s
    double manyVsSingle = 0, manyVsReference = 0;  // medians of each round's ratios
};

// Rounds of three builds: the reference procedure, one worker and every core.
// They alternate so that all three see the same machine speed, and the ratios
// are the medians of each round's own ratios.
Rates MeasureRounds(const Bench& bench, std::int32_t referenceEvents, std::int32_t events, int rounds) {
    std::vector<double> reference, single, many, manyVsSingle, manyVsReference;
    for (int r = 0; r < rounds; ++r) {
        reference.push_back(BuildRate(bench, referenceEvents, Reference()));
        single.push_back(BuildRate(bench, events, Workers(1)));
        many.push_back(BuildRate(bench, events, Workers(0)));
        manyVsSingle.push_back(many.back() / single.back());
        manyVsReference.push_back(many.back() / reference.back());
    }
    return {Median(reference), Median(single), Median(many), Median(manyVsSingle), Median(manyVsReference)};
}

// Worker events and floor events alternate on one project, so both see the same machine speed.
void MeasureFloor(const Bench& bench, std::int32_t events, const Baseline& baseline, ProjectSession& session,
                  double& worker, double& floorTime) {
    EventSimulation simulation(baseline, bench.Settings());
    EventResult result;
    worker = floorTime = 0;
    for (std::int32_t k = 1; k <= events; ++k) {
        auto t0 = Clock::now();
        session.BeginEvent();
        simulation.Run(session, bench.EventAt(k), result);
        worker += Seconds(t0);
        t0 = Clock::now();
        FloorEvent(session, bench.EventAt(k), bench.net.QualStep);
        floorTime += Seconds(t0);
    }
}

// Share of a worker's event time inside the toolkit's quality steps.
double SteppingShare(const Bench& bench, std::int32_t events, const Baseline& baseline, ProjectSession& session) {
    EventSimulation simulation(baseline, bench.Settings());
    EventResult result;
    TimedSession timed{session};
    const auto t0 = Clock::now();
    for (std::int32_t k = 1; k <= events; ++k) {
        session.BeginEvent();
        simulation.Run(timed, bench.EventAt(k), result);
    }
    return timed.stepping / Seconds(t0);
}

// Time to encode an event's records (text, binary rows, summary line) and
// write them to every file of a set, against the time to simulate it: an
// upper bound on what writing the set costs a build.
double WritingShare(const Bench& bench, std::int32_t events, const Baseline& baseline, ProjectSession& session,
                    const std::string& folder) {
    EventSimulation simulation(baseline, bench.Settings());
    std::vector<EventResult> results(static_cast<std::size_t>(events));
    const auto t0 = Clock::now();
    for (std::int32_t k = 1; k <= events; ++k) {
        session.BeginEvent();
        simulation.Run(session, bench.EventAt(k), results[static_cast<std::size_t>(k) - 1]);
    }
    const double simulating = Seconds(t0);
    const std::string path = folder + "/writing.inp";
    matrix::MatrixWriter writer(path, std::span(bench.net.NodeID).subspan(1), true);
    matrix::EncodedEvent encoded;
    std::vector<matrix::InjectionColumns> columns;
    const auto t1 = Clock::now();
    for (std::int32_t k = 1; k <= events; ++k) {
        EncodeResult(bench.EventAt(k), k, results[static_cast<std::size_t>(k) - 1], true, columns, encoded);
        writer.Append(encoded);
    }
    writer.Close();
    return Seconds(t1) / simulating;
}

// What the machine allows: the toolkit floor of one event on one core alone,
// then the same event on every core at once (each on its own project). The
// ratio is cores x the time alone over the mean time at once; the median over
// events is reported.
double FloorScaling(const Bench& bench, std::int32_t events, int cores) {
    std::vector<std::unique_ptr<ProjectSession>> sessions;
    for (int w = 0; w < cores; ++w) sessions.push_back(bench.Session());
    const long q = bench.net.QualStep;
    std::vector<double> ratios;
    for (std::int32_t k = 1; k <= events; ++k) {
        const Event& event = bench.EventAt(k);
        auto t0 = Clock::now();
        FloorEvent(*sessions[0], event, q);
        const double alone = Seconds(t0);
        std::vector<double> together(static_cast<std::size_t>(cores));
        {
            std::vector<std::jthread> threads;
            for (int w = 0; w < cores; ++w)
                threads.emplace_back([&, w] {
                    const auto start = Clock::now();
                    FloorEvent(*sessions[static_cast<std::size_t>(w)], event, q);
                    together[static_cast<std::size_t>(w)] = Seconds(start);
                });
        }
        double mean = 0;
        for (double t : together) mean += t / cores;
        ratios.push_back(cores * alone / mean);
    }
    return Median(ratios);
}

struct BenchPlan {
    std::int32_t events;           // the slice built once with one worker and with every core
    std::int32_t referenceEvents;  // per round
    std::int32_t roundEvents;      // per round, for one worker and every core
    int rounds;
    std::int32_t floorEvents, floorScalingEvents;
};

void Measure(const char* name, const std::string& source, const std::string& folder, BenchPlan plan) {
    const Bench bench = Load(source, folder);
    const auto all = static_cast<std::int32_t>(bench.events.size());
    for (std::int32_t* n :
         {&plan.events, &plan.referenceEvents, &plan.roundEvents, &plan.floorEvents, &plan.floorScalingEvents})
        *n = std::min(*n, all);
    const int cores = WorkerCount(Workers(0));
    std::printf("%s: %d nodes, %d cores\n", name, bench.net.nNodes, cores);

    const Rates rounds = MeasureRounds(bench, plan.referenceEvents, plan.roundEvents, plan.rounds);
    double single = rounds.single, many = rounds.many;
    if (plan.events != plan.roundEvents) {
        single = BuildRate(bench, plan.events, Workers(1));
        many = BuildRate(bench, plan.events, Workers(0));
    }

    const Baseline baseline = RunBaseline(bench.net, bench.parameters, bench.flow);
    double worker = 0, floorTime = 0, share = 0, writing = 0;
    {
        const auto session = bench.Session();
        MeasureFloor(bench, plan.floorEvents, baseline, *session, worker, floorTime);
        share = SteppingShare(bench, std::min(plan.events, 24), baseline, *session);
        writing = WritingShare(bench, std::min(plan.events, 24), baseline, *session, folder);
    }
    const double machine = FloorScaling(bench, plan.floorScalingEvents, cores);

    std::printf("  %d rounds of builds (reference procedure %d events, then 1 worker and %d workers %d events), "
                "medians:\n", plan.rounds, plan.referenceEvents, cores, plan.roundEvents);
    std::printf("    reference procedure %9.2f events/s\n", rounds.reference);
    std::printf("    1 worker            %9.2f events/s\n", rounds.single);
    std::printf("    %d workers           %9.2f events/s  (%.2f x 1 worker, %.2f x reference, medians of the "
                "rounds' ratios)\n", cores, rounds.many, rounds.manyVsSingle, rounds.manyVsReference);
    if (plan.events != plan.roundEvents)
        std::printf("  %d-event slice, built once each: 1 worker %.2f events/s, %d workers %.2f events/s (%.2f x)\n",
                    plan.events, single, cores, many, many / single);
    std::printf("  toolkit floor, %d events alternating with a worker's: %.2f events/s against %.2f events/s "
                "(a worker's event takes %.3f x the floor's time)\n", plan.floorEvents, plan.floorEvents / floorTime,
                plan.floorEvents / worker, worker / floorTime);
    std::printf("  toolkit floor of one event on %d cores at once vs on one alone, median of %d events: %.2f x\n",
                cores, plan.floorScalingEvents, machine);
    std::printf("  time in quality steps %8.0f%% of a worker's event time\n", 100 * share);
    std::printf("  encoding and writing an event's records (text, binary, summary) %.2f%% of its simulation\n",
                100 * writing);
    std::printf("  peak memory so far    %6ld MB\n", PeakMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) != "1" && std::string(argv[1]) != "2")) {
        std::fprintf(stderr, "usage: builder_bench 1|2 [events] [reference-events] [rounds] [round-events] [floor-events] [floor-scaling-events]\n");
        return 2;
    }
    const std::string n = argv[1];
    // Network 1: every event of the default mode in each round; network 2:
    // short rounds, and a 200-event slice built once with each worker count.
    auto arg = [&](int i, std::int32_t fallback) { return argc > i ? std::max(1, std::stoi(argv[i])) : fallback; };
    const bool small = n == "1";
    BenchPlan plan;
    plan.events = arg(2, small ? 1 << 30 : 200);
    plan.referenceEvents = arg(3, small ? 1 << 30 : 3);
    plan.rounds = arg(4, small ? 5 : 7);
    plan.roundEvents = arg(5, small ? plan.events : 12);
    plan.floorEvents = arg(6, small ? plan.events : 40);
    plan.floorScalingEvents = arg(7, small ? 100 : 16);
    try {
        const bench::BenchFolder scratch;
        Measure(("Network " + n).c_str(), network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp",
                scratch.Path(), plan);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "builder_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
