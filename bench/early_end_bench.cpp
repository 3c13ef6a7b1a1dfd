// Measures what ending events early saves on the default build (every node
// injected twice at random start times, seeded) of both example networks:
//   early_end_bench [network-2 sample events]      (default 40)
// An event ends once its sources are spent and no node or link carries
// contaminant; the recorded steps after that are not simulated. Network 1:
// all 288 events, each also run to its end on the same worker session, so
// the results can be compared value for value and the times set side by
// side. Network 2: an evenly spaced sample of its 32,676 events, on two
// threads, counting the steps left out.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_folder.h"
#include "builder/baseline.h"
#include "builder/event_simulation.h"
#include "builder/project_session.h"
#include "builder/validation.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/solving_copy.h"

using namespace builder;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A worker session whose events always run to their end.
struct FullRunSession {
    ProjectSession& inner;
    void SetSourceQuality(int node, float strength) { inner.SetSourceQuality(node, strength); }
    void OpenQuality() { inner.OpenQuality(); }
    long RunQ() { return inner.RunQ(); }
    long StepQ() { return inner.StepQ(); }
    void ReadQuality(std::vector<float>& c) { inner.ReadQuality(c); }
    void CloseQuality() { inner.CloseQuality(); }
    bool BackgroundIsZero(std::int32_t s) const { return inner.BackgroundIsZero(s); }
    bool CarriesNoContaminant() { return false; }
};

bool SameResults(const EventResult& a, const EventResult& b) {
    return a.DetectedFlag == b.DetectedFlag && a.Z1 == b.Z1 && a.Z2 == b.Z2 && a.Z3 == b.Z3 &&
           a.UndetectedPeople == b.UndetectedPeople && a.UndetectedVolume == b.UndetectedVolume;
}

struct Network {
    network::Network net;
    RunParameters parameters;  // the window's defaults
    FlowFactors flow;
    Baseline baseline;
    std::vector<Event> events;  // the default event set, seeded
};

Network Load(int number, const std::string& folder) {
    const std::string n = std::to_string(number);
    const std::string source = network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp";
    const std::string path = folder + "/Network_" + n + ".inp";
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    Network network;
    network.net = network::LoadNetwork(path, network::LoadToolkit(), network::TemporaryFolder());
    network.flow = ValidateBuild(network.net, network.parameters);
    network.baseline = RunBaseline(network.net, network.parameters, network.flow);
    network.events = GenerateEvents(network.net, network.parameters, SeededUniformSource(12345));
    return network;
}

void Report(const char* what, std::size_t events, std::size_t endedEarly, double leftOut, std::size_t stepsPerEvent) {
    std::printf("%s: %zu events, %zu ended early (%.1f %%); %.0f of %zu recorded steps left out: %.1f %% fewer "
                "quality steps\n",
                what, events, endedEarly, 100.0 * endedEarly / events, leftOut, events * stepsPerEvent,
                100.0 * leftOut / static_cast<double>(events * stepsPerEvent));
}

// Every event of network 1, with and without the early end, alternating.
void MeasureNetwork1(const std::string& folder) {
    const Network n = Load(1, folder);
    ProjectSession session(n.net, n.parameters);
    FullRunSession full{session};
    EventSimulation simulation(n.baseline, MakeEventSettings(n.net, n.parameters, n.flow));
    EventResult early, whole;
    double earlyTime = 0, wholeTime = 0, leftOut = 0;
    std::size_t endedEarly = 0, differing = 0;
    for (const Event& event : n.events) {
        auto t0 = Clock::now();
        session.BeginEvent();
        simulation.Run(session, event, early);
        earlyTime += Seconds(t0);
        t0 = Clock::now();
        session.BeginEvent();
        simulation.Run(full, event, whole);
        wholeTime += Seconds(t0);
        endedEarly += early.StepsLeftOut > 0;
        leftOut += early.StepsLeftOut;
        differing += !SameResults(early, whole);
    }
    Report("Network 1, default build", n.events.size(), endedEarly, leftOut, n.baseline.RecordedSteps.size());
    std::printf("  event time %.2f ms ending early, %.2f ms running to the end (%.1f %% less); events whose "
                "results differ: %zu\n",
                1000 * earlyTime / n.events.size(), 1000 * wholeTime / n.events.size(),
                100 * (1 - earlyTime / wholeTime), differing);
}

// An evenly spaced sample of network 2's default events on two threads.
void MeasureNetwork2(const std::string& folder, std::size_t sample) {
    const Network n = Load(2, folder);
    const std::size_t stride = std::max<std::size_t>(1, n.events.size() / sample);
    std::vector<std::size_t> picked;
    for (std::size_t k = stride / 2; k < n.events.size() && picked.size() < sample; k += stride) picked.push_back(k);
    std::atomic<std::size_t> next{0}, endedEarly{0};
    std::atomic<long> leftOut{0};
    const auto t0 = Clock::now();
    auto work = [&] {
        ProjectSession session(n.net, n.parameters);
        EventSimulation simulation(n.baseline, MakeEventSettings(n.net, n.parameters, n.flow));
        EventResult result;
        for (std::size_t i; (i = next++) < picked.size();) {
            session.BeginEvent();
            simulation.Run(session, n.events[picked[i]], result);
            endedEarly += result.StepsLeftOut > 0;
            leftOut += result.StepsLeftOut;
        }
    };
    {
        std::jthread a(work), b(work);
    }
    Report("Network 2, default build (sample)", picked.size(), endedEarly, static_cast<double>(leftOut),
           n.baseline.RecordedSteps.size());
    std::printf("  every %zu-th event of %zu, %.0f s on two threads\n", stride, n.events.size(), Seconds(t0));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::size_t sample = argc > 1 ? static_cast<std::size_t>(std::stoul(argv[1])) : 40;
        const bench::BenchFolder workspace;
        MeasureNetwork1(workspace.Path());
        MeasureNetwork2(workspace.Path(), sample);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "early_end_bench: %s\n", e.what());
        return 1;
    }
}
