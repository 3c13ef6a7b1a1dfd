// Measures the scenario builder on the shipped example networks:
//   builder_bench 1|2 [events] [reference-events] [pairs] [pair-events] [floor-events]
// For each network: events per second of the reference procedure, of one
// worker and of every core; the ratio of every core to one worker from
// alternating builds (the development machine's speed drifts by several times
// within minutes, so only interleaved figures compare); a worker's event
// against the toolkit floor (quality stepping with the injections switched
// but no node reads or bookkeeping), event by event; the share of a worker's
// time inside the toolkit's quality steps; and peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "builder/baseline.h"
#include "builder/driver.h"
#include "builder/event_simulation.h"
#include "builder/project_session.h"
#include "builder/run_parameters.h"
#include "network/netload.h"
#include "network/program_folder.h"

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
};

// The same stepping with no node reads and no detection bookkeeping.
void FloorEvent(ProjectSession& session, const clsPollutionEvent& event) {
    const long q = network::QualStep;
    session.BeginEvent();
    session.OpenQuality();
    long t = -q, tleft = 0;
    do {
        for (const auto& injection : event.colInjectionEvent) {
            long start = q * injection.evTime, length = injection.evPollutionDuration * 3600L, next = t + q;
            bool on = next == start || (start < next && next < start + length);
            if (!on) session.SetSourceQuality(injection.evNodeInd, 0.0f);
            else if (t % q == 0) session.SetSourceQuality(injection.evNodeInd, injection.evPollutionLevel);
        }
        t = session.RunQ();
        tleft = session.StepQ();
    } while (tleft != 0);
    session.CloseQuality();
}

// Loads a copy of the network in a scratch folder and sets the window's defaults.
void Load(const std::string& source, const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::string path = folder + "/" + std::filesystem::path(source).filename().string();
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    LoadNetworkForBuild(path);
    NetworkPath = path;
}

// Events per second of one build, from the start of its first event to its
// end: the baseline run, event generation and each worker's set-up (network,
// hydraulics, clean run) come before that and are left out. The reference
// procedure repeats its set-up in every event, which is the point of it.
double BuildRate(std::int32_t events, BuildOptions options) {
    colPollutionEvents.clear();
    EventMode = 1;
    nEvents = events;
    std::once_flag started;
    Clock::time_point firstEvent;
    options.BeforeEvent = [&](std::int32_t) { std::call_once(started, [&] { firstEvent = Clock::now(); }); };
    RunScenarioSimulations(DriverHost{}, SeededUniformSource(12345), options);
    return events / Seconds(firstEvent);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

struct Scaling {
    double single = 0, many = 0, ratio = 0;  // medians
};

// Builds with one worker and with every core, alternating, so that both see
// the same machine speed; the ratio is the median of each pair's ratio.
Scaling MeasureScaling(std::int32_t events, int pairs) {
    BuildOptions one;
    one.Workers = 1;
    std::vector<double> single, many, ratios;
    for (int r = 0; r < pairs; ++r) {
        single.push_back(BuildRate(events, one));
        many.push_back(BuildRate(events, BuildOptions{}));
        ratios.push_back(many.back() / single.back());
    }
    return {Median(single), Median(many), Median(ratios)};
}

// Worker events and floor events alternate on one project, so both see the same machine speed.
void MeasureFloor(std::int32_t events, const Baseline& baseline, ProjectSession& session, double& worker,
                  double& floorTime) {
    EventSimulation simulation(baseline, CurrentEventSettings());
    EventResult result;
    worker = floorTime = 0;
    for (std::int32_t k = 1; k <= events; ++k) {
        auto t0 = Clock::now();
        session.BeginEvent();
        simulation.Run(session, PollutionEvent(k), result);
        worker += Seconds(t0);
        t0 = Clock::now();
        FloorEvent(session, PollutionEvent(k));
        floorTime += Seconds(t0);
    }
}

// Share of a worker's event time inside the toolkit's quality steps.
double SteppingShare(std::int32_t events, const Baseline& baseline, ProjectSession& session) {
    EventSimulation simulation(baseline, CurrentEventSettings());
    EventResult result;
    TimedSession timed{session};
    const auto t0 = Clock::now();
    for (std::int32_t k = 1; k <= events; ++k) {
        session.BeginEvent();
        simulation.Run(timed, PollutionEvent(k), result);
    }
    return timed.stepping / Seconds(t0);
}

struct BenchPlan {
    std::int32_t events, referenceEvents, pairEvents, floorEvents;
    int pairs;
};

void Measure(const char* name, const std::string& source, const std::string& folder, BenchPlan plan) {
    Load(source, folder);
    const std::int32_t all = network::nNodes * RepeatCount;
    for (std::int32_t* n : {&plan.events, &plan.referenceEvents, &plan.pairEvents, &plan.floorEvents})
        *n = std::min(*n, all);
    const int cores = WorkerCount(BuildOptions{});
    std::printf("%s: %d nodes, %d cores\n", name, network::nNodes, cores);

    const double reference = BuildRate(plan.referenceEvents, ReferenceProcedure());
    const Scaling scaling = MeasureScaling(plan.pairEvents, plan.pairs);
    double single = scaling.single, many = scaling.many;
    if (plan.events != plan.pairEvents) {
        BuildOptions one;
        one.Workers = 1;
        single = BuildRate(plan.events, one);
        many = BuildRate(plan.events, BuildOptions{});
    }

    const Baseline baseline = RunBaseline();
    ProjectSession session;
    double worker = 0, floorTime = 0;
    MeasureFloor(plan.floorEvents, baseline, session, worker, floorTime);
    const double share = SteppingShare(std::min(plan.events, 24), baseline, session);

    std::printf("  reference procedure, %d events       %9.2f events/s\n", plan.referenceEvents, reference);
    std::printf("  1 worker, %d events                  %9.2f events/s\n", plan.events, single);
    std::printf("  %d workers, %d events                 %9.2f events/s  (%.2f x 1 worker, %.2f x reference)\n",
                cores, plan.events, many, many / single, many / reference);
    std::printf("  %d workers vs 1, median of %d alternating pairs of %d-event builds: %.2f x "
                "(%.2f and %.2f events/s)\n", cores, plan.pairs, plan.pairEvents, scaling.ratio, scaling.many,
                scaling.single);
    std::printf("  toolkit floor, %d events alternating with a worker's: %.2f events/s against %.2f events/s "
                "(a worker's event takes %.3f x the floor's time)\n", plan.floorEvents, plan.floorEvents / floorTime,
                plan.floorEvents / worker, worker / floorTime);
    std::printf("  time in quality steps %8.0f%% of a worker's event time\n", 100 * share);
    std::printf("  peak memory so far    %6ld MB\n", PeakMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) != "1" && std::string(argv[1]) != "2")) {
        std::fprintf(stderr, "usage: builder_bench 1|2 [events] [reference-events] [pairs] [pair-events] [floor-events]\n");
        return 2;
    }
    const std::string n = argv[1];
    // Network 1: every event of the default mode; network 2: a slice, with
    // short alternating builds for the ratio of worker counts.
    auto arg = [&](int i, std::int32_t fallback) { return argc > i ? std::max(1, std::stoi(argv[i])) : fallback; };
    const bool small = n == "1";
    BenchPlan plan;
    plan.events = arg(2, small ? 1 << 30 : 200);
    plan.referenceEvents = arg(3, small ? 1 << 30 : 10);
    plan.pairs = arg(4, small ? 5 : 7);
    plan.pairEvents = arg(5, small ? plan.events : 12);
    plan.floorEvents = arg(6, small ? plan.events : 40);
    std::string scratch = (std::filesystem::temp_directory_path() / ("tesmar-bench-" + n)).string();
    try {
        Measure(("Network " + n).c_str(), network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp",
                scratch, plan);
        std::filesystem::remove_all(scratch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "builder_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
