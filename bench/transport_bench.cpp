// Tesmar's own transport engine against the toolkit's quality solver, on
// one worker, the two alternating event by event in one run (so both see
// the same machine load):
//   transport_bench [network-2 events] [own|split]   (default 40; 0: network 1 alone)
// With "own" only the own engine runs (for profiling it alone). With
// "split" every call into either session is timed, which costs a little
// of its own, to part an event's time into the transport (the session's
// calls, handing over the concentrations included) and the builder's
// recording, which runs the same instructions on both engines.
// Network 1: its default event set (288 events, seeded). Network 2: a
// seeded set of random events with the window's other defaults. Prints the
// median time per event of each engine, the events whose results differ
// (there must be none), the memory of the shared data and of a worker, and
// network 2's default build (32,676 events) projected from the medians.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/bench_folder.h"
#include "builder/baseline.h"
#include "builder/event_simulation.h"
#include "builder/own_session.h"
#include "builder/own_transport.h"
#include "builder/project_session.h"
#include "builder/validation.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/solving_copy.h"

using namespace builder;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kNetwork2DefaultEvents = 32676;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

bool SameResults(const EventResult& a, const EventResult& b) {
    return a.DetectedFlag == b.DetectedFlag && a.Z1 == b.Z1 && a.Z2 == b.Z2 && a.Z3 == b.Z3 &&
           a.UndetectedPeople == b.UndetectedPeople && a.UndetectedVolume == b.UndetectedVolume &&
           a.StepsLeftOut == b.StepsLeftOut;
}

double PeakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

struct Medians {
    double toolkit = 0, own = 0;
};

enum class Mode { Both, OwnOnly, Split };

// A session whose every call is timed; the event's time outside them is the recording's.
template <typename Session>
class TimedSession {
public:
    explicit TimedSession(Session& session) : session_(session) {}

    void SetSourceQuality(int node, float strength) { Time([&] { session_.SetSourceQuality(node, strength); }); }
    void OpenQuality() { Time([&] { session_.OpenQuality(); }); }
    long RunQ() { return Time([&] { return session_.RunQ(); }); }
    long StepQ() { return Time([&] { return session_.StepQ(); }); }
    void ReadQuality(std::vector<float>& concentration) { Time([&] { session_.ReadQuality(concentration); }); }
    bool CarriesNoContaminant() { return Time([&] { return session_.CarriesNoContaminant(); }); }
    void CloseQuality() { Time([&] { session_.CloseQuality(); }); }
    bool BackgroundIsZero(std::int32_t s) const { return session_.BackgroundIsZero(s); }
    const base::IndexBits* NodesReached() const
        requires requires(const Session& s) { s.NodesReached(); }
    {
        return session_.NodesReached();
    }

    double seconds = 0;  // spent in the session's calls

private:
    template <typename Call>
    auto Time(Call call) {
        const auto t0 = Clock::now();
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            seconds += Seconds(t0);
        } else {
            const auto answer = call();
            seconds += Seconds(t0);
            return answer;
        }
    }

    Session& session_;
};

// One event on a session, its time returned; with inSession, its calls
// are timed as well, and the part of the event they took is appended there.
template <typename Session>
double RunEvent(EventSimulation& simulation, Session& session, const Event& event, EventResult& result,
                std::vector<double>* inSession) {
    const auto t0 = Clock::now();
    session.BeginEvent();
    if (!inSession) {
        simulation.Run(session, event, result);
        return Seconds(t0);
    }
    TimedSession<Session> timed(session);
    simulation.Run(timed, event, result);
    const double seconds = Seconds(t0);
    inSession->push_back(timed.seconds);
    return seconds;
}

// The medians of each engine's session and recording, and what the target leaves the own engine's session.
void PrintSplit(int number, const std::vector<double>& toolkitTimes, const std::vector<double>& toolkitSession,
                const std::vector<double>& ownTimes, const std::vector<double>& ownSession, double toolkitMedian,
                double target) {
    const auto recordingOf = [](const std::vector<double>& times, const std::vector<double>& session) {
        std::vector<double> rest(times.size());
        for (std::size_t i = 0; i < times.size(); ++i) rest[i] = times[i] - session[i];
        return 1000 * Median(rest);
    };
    const double recording = recordingOf(ownTimes, ownSession);
    std::printf("  timed calls: the toolkit's solver %.2f ms in its session and %.2f ms recording; the own engine "
                "%.2f ms in its session and %.2f ms recording (medians)\n",
                1000 * Median(toolkitSession), recordingOf(toolkitTimes, toolkitSession), 1000 * Median(ownSession),
                recording);
    const double budget = 1000 * toolkitMedian / target;
    std::printf("  network %d at %.0fx: %.2f ms an event, which leaves the own engine's session %.2f ms beside "
                "its recording\n",
                number, target, budget, budget - recording);
}

Medians Measure(int number, const std::string& folder, RunParameters parameters, std::uint64_t seed, Mode mode,
                double target) {
    const bool ownOnly = mode == Mode::OwnOnly;
    const std::string n = std::to_string(number);
    const std::string path = folder + "/Network_" + n + ".inp";
    std::filesystem::copy_file(network::ProgramFolder() + "/Networks/Example" + n + "/Network_" + n + ".inp", path,
                               std::filesystem::copy_options::overwrite_existing);
    const network::Network net = network::LoadNetwork(path, network::LoadToolkit(), network::TemporaryFolder());
    const FlowFactors flow = ValidateBuild(net, parameters);
    const Baseline baseline = RunBaseline(net, parameters, flow);
    const std::vector<Event> events = GenerateEvents(net, parameters, SeededUniformSource(seed));
    BuildDescription description;
    description.parameters = parameters;
    const auto t0 = Clock::now();
    const TransportChoice choice = ChooseTransport(net, description);
    const double prepared = Seconds(t0);
    if (!choice.shared) {
        std::printf("Network %d: the own engine does not run it (%s)\n", number, choice.fallbackReason.c_str());
        return {};
    }
    ProjectSession toolkit(net, parameters);
    OwnSession own(*choice.shared);
    EventSimulation simulation(baseline, MakeEventSettings(net, parameters, flow));
    EventResult a, b;
    std::vector<double> toolkitTimes, ownTimes;
    std::vector<double> toolkitSession, ownSession;
    const bool split = mode == Mode::Split;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool ownTurn = (turn == 0) == (i % 2 == 1);
            if (ownOnly && !ownTurn) continue;
            if (ownTurn) ownTimes.push_back(RunEvent(simulation, own, events[i], b, split ? &ownSession : nullptr));
            else toolkitTimes.push_back(RunEvent(simulation, toolkit, events[i], a, split ? &toolkitSession : nullptr));
        }
        differing += !ownOnly && !SameResults(a, b);
    }
    if (ownOnly) toolkitTimes.push_back(0.0);
    const Medians m{Median(toolkitTimes), Median(ownTimes)};
    std::printf("Network %d, %zu events: median %.2f ms on the toolkit's solver, %.2f ms on the own engine: %.1fx; "
                "events whose results differ: %zu\n",
                number, events.size(), 1000 * m.toolkit, 1000 * m.own, m.toolkit / m.own, differing);
    std::printf("  shared data %.1f MB, prepared in %.2f s; own worker %.1f MB; process peak %.0f MB\n",
                choice.shared->Bytes() / 1048576.0, prepared, own.Bytes() / 1048576.0, PeakMegabytes());
    if (split) PrintSplit(number, toolkitTimes, toolkitSession, ownTimes, ownSession, m.toolkit, target);
    return m;
}

// The speed-ups the own engine is to reach on each network.
constexpr double kNetwork1Target = 4, kNetwork2Target = 8;

void Run(int sample, Mode mode) {
    const bench::BenchFolder workspace;
    const std::string folder = workspace.Path();
    Measure(1, folder, RunParameters{}, 12345, mode, kNetwork1Target);
    if (sample == 0) return;
    RunParameters random;
    random.Mode = EventMode::RandomEvents;
    random.nRandomEvents = sample;
    const Medians m = Measure(2, folder, random, 2026, mode, kNetwork2Target);
    if (m.own > 0)
        std::printf("Network 2, default build of %.0f events projected on one worker: %.1f h on the toolkit's "
                    "solver, %.1f h on the own engine\n",
                    kNetwork2DefaultEvents, kNetwork2DefaultEvents * m.toolkit / 3600,
                    kNetwork2DefaultEvents * m.own / 3600);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 2 ? argv[2] : "";
        Run(argc > 1 ? std::max(0, std::atoi(argv[1])) : 40,
            mode == "own" ? Mode::OwnOnly : mode == "split" ? Mode::Split : Mode::Both);
        return 0;
    } catch (const std::exception& e) {
        // Caught, so that the benchmark's folder is removed on the way out.
        std::fprintf(stderr, "transport_bench: %s\n", e.what());
        return 1;
    }
}
