// Measures the scenario builder on the shipped example networks:
//   builder_bench 1|2 [events] [reference-events] [repeats]
// For each network: events per second of the reference procedure, of one
// worker and of every core, the toolkit floor (quality stepping with the
// injections switched but no node reads or bookkeeping), the share of one
// worker's time spent inside the toolkit's quality stepping, and peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
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

double BuildRate(std::int32_t events, const BuildOptions& options) {
    colPollutionEvents.clear();
    EventMode = 1;
    nEvents = events;
    auto t0 = Clock::now();
    // Excludes the baseline run and event generation from the per-event rate.
    double setup = 0;
    DriverHost host;
    bool first = true;
    host.SetCaption = [&](const std::string&) {
        if (first) setup = Seconds(t0), first = false;
    };
    RunScenarioSimulations(host, SeededUniformSource(12345), options);
    return events / (Seconds(t0) - setup);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

struct BuildRates {
    double single = 0, many = 0;
};

// One worker and every core, alternating, each the median of its runs.
BuildRates MeasureBuilds(std::int32_t events, int repeats) {
    BuildOptions one;
    one.Workers = 1;
    std::vector<double> single, many;
    for (int r = 0; r < repeats; ++r) {
        single.push_back(BuildRate(events, one));
        many.push_back(BuildRate(events, BuildOptions{}));
    }
    return {Median(single), Median(many)};
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

void Measure(const char* name, const std::string& source, const std::string& folder, std::int32_t events,
             std::int32_t referenceEvents, int repeats) {
    Load(source, folder);
    events = std::min(events, network::nNodes * RepeatCount);
    referenceEvents = std::min(referenceEvents, events);
    const int cores = WorkerCount(BuildOptions{});
    std::printf("%s: %d nodes, %d events (reference procedure: %d), %d cores, median of %d build%s\n", name,
                network::nNodes, events, referenceEvents, cores, repeats, repeats > 1 ? "s" : "");

    const double reference = BuildRate(referenceEvents, ReferenceProcedure());
    const BuildRates rates = MeasureBuilds(events, repeats);

    const Baseline baseline = RunBaseline();
    ProjectSession session;
    double worker = 0, floorTime = 0;
    MeasureFloor(events, baseline, session, worker, floorTime);
    const double share = SteppingShare(std::min(events, 24), baseline, session);

    std::printf("  reference procedure   %9.2f events/s\n", reference);
    std::printf("  1 worker              %9.2f events/s\n", rates.single);
    std::printf("  %d workers             %9.2f events/s  (%.2f x 1 worker, %.2f x reference)\n", cores, rates.many,
                rates.many / rates.single, rates.many / reference);
    std::printf("  toolkit floor         %9.2f events/s; 1 worker, same events alternating with it: %.2f events/s "
                "(an event takes %.3f x the floor's time)\n", events / floorTime, events / worker, worker / floorTime);
    std::printf("  time in quality steps %8.0f%% of a worker's event time\n", 100 * share);
    std::printf("  peak memory so far    %6ld MB\n", PeakMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) != "1" && std::string(argv[1]) != "2")) {
        std::fprintf(stderr, "usage: builder_bench 1|2 [events] [reference-events] [repeats]\n");
        return 2;
    }
    const std::string n = argv[1];
    // Network 1: every event of the default mode; network 2: a slice.
    std::int32_t events = argc > 2 ? std::stoi(argv[2]) : (n == "1" ? 1 << 30 : 200);
    std::int32_t reference = argc > 3 ? std::stoi(argv[3]) : (n == "1" ? 1 << 30 : 10);
    int repeats = argc > 4 ? std::max(1, std::stoi(argv[4])) : (n == "1" ? 5 : 1);
    std::string scratch = (std::filesystem::temp_directory_path() / ("tesmar-bench-" + n)).string();
    try {
        Measure(("Network " + n).c_str(), network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp",
                scratch, events, reference, repeats);
        std::filesystem::remove_all(scratch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "builder_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
