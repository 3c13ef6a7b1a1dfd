// Measures the scenario builder on the shipped example networks:
//   builder_bench 1|2 [events] [reference-events]
// For each network: events per second of the reference procedure, of one
// worker and of every core, the toolkit floor (quality stepping with the
// injections switched but no node reads or bookkeeping), the share of one
// worker's time spent inside the toolkit's quality stepping, and peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

void Measure(const char* name, const std::string& source, const std::string& folder, std::int32_t events,
             std::int32_t referenceEvents) {
    Load(source, folder);
    events = std::min(events, network::nNodes * RepeatCount);
    referenceEvents = std::min(referenceEvents, events);
    std::printf("%s: %d nodes, %d events (reference procedure: %d)\n", name, network::nNodes, events, referenceEvents);

    BuildOptions one;
    one.Workers = 1;
    BuildOptions all;
    const int cores = WorkerCount(all);
    double reference = BuildRate(referenceEvents, ReferenceProcedure());
    double single = BuildRate(events, one);
    double many = BuildRate(events, all);

    // Floor and stepping share on one project, over the same events.
    const Baseline baseline = RunBaseline();
    ProjectSession session;
    EventSimulation simulation(baseline, CurrentEventSettings());
    EventResult result;
    TimedSession timed{session};
    // Floor and worker events alternate, so both see the same machine speed.
    double worker = 0, floorTime = 0;
    for (std::int32_t k = 1; k <= events; ++k) {
        auto t0 = Clock::now();
        session.BeginEvent();
        simulation.Run(timed, PollutionEvent(k), result);
        worker += Seconds(t0);
        t0 = Clock::now();
        FloorEvent(session, PollutionEvent(k));
        floorTime += Seconds(t0);
    }
    double floor = events / floorTime;

    std::printf("  reference procedure   %9.2f events/s\n", reference);
    std::printf("  1 worker              %9.2f events/s\n", single);
    std::printf("  %d workers             %9.2f events/s  (%.2f x 1 worker, %.2f x reference)\n", cores, many,
                many / single, many / reference);
    std::printf("  toolkit floor         %9.2f events/s; 1 worker, same events alternating with it: %.2f events/s "
                "(%.0f%% of the floor)\n", floor, events / worker, 100 * floorTime / worker);
    std::printf("  time in quality steps %8.0f%% of a worker's event time\n", 100 * timed.stepping / worker);
    std::printf("  peak memory so far    %6ld MB\n", PeakMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::string(argv[1]) != "1" && std::string(argv[1]) != "2")) {
        std::fprintf(stderr, "usage: builder_bench 1|2 [events] [reference-events]\n");
        return 2;
    }
    const std::string n = argv[1];
    // Network 1: every event of the default mode; network 2: a slice.
    std::int32_t events = argc > 2 ? std::stoi(argv[2]) : (n == "1" ? 1 << 30 : 200);
    std::int32_t reference = argc > 3 ? std::stoi(argv[3]) : (n == "1" ? 1 << 30 : 10);
    std::string scratch = (std::filesystem::temp_directory_path() / ("tesmar-bench-" + n)).string();
    try {
        Measure(("Network " + n).c_str(), network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp",
                scratch, events, reference);
        std::filesystem::remove_all(scratch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "builder_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
