// Benchmark of the sensor-placement optimizer on synthetic scenario sets with
// the structure of real builds (synthetic/network_scenarios.h).
//
//   optimizer_bench              network 1's size (288 events x 144 nodes):
//                                heuristic against exact, the curve, and every
//                                objective and statistic
//   optimizer_bench 2 [all] [S]  network 2's size (32,676 events x 16,338
//                                nodes): 20 sensors, mean people affected;
//                                with "all" every objective and statistic too,
//                                each with a time limit of S seconds (600)
//
// Figures go to stdout; run it with nothing else busy on the machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "synthetic/network_scenarios.h"
#include "optimizer/optimizer.h"

using optimizer::ExactStatus;
using optimizer::Objective;
using optimizer::Options;
using optimizer::Result;
using optimizer::Statistic;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double PeakMemoryGb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0);
}

// Processor seconds of the whole process so far (all threads): unlike wall
// time, not stretched when other work shares the machine.
double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double LoadAverage() {
    double load = 0;
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = 0;
        std::fclose(file);
    }
    return load;
}

const char* StatisticName(Statistic s) {
    const char* names[] = {"mean", "var", "cvar", "worst"};
    return names[static_cast<int>(s)];
}

const char* ExactName(ExactStatus s) {
    const char* names[] = {"-", "optimal", "stopped", "too large"};
    return names[static_cast<int>(s)];
}

// The median of `repeats` runs' wall times, and the last run's result.
Result TimedRuns(const optimizer::ScenarioData& data, const Options& options, int repeats, double& seconds) {
    std::vector<double> times;
    Result result;
    for (int r = 0; r < repeats; ++r) {
        Clock::time_point start = Clock::now();
        result = optimizer::Optimize(data, options);
        times.push_back(Seconds(start));
    }
    std::nth_element(times.begin(), times.begin() + repeats / 2, times.end());
    seconds = times[static_cast<std::size_t>(repeats / 2)];
    return result;
}

synthetic::ScenarioShape NetworkOneShape(std::uint64_t seed, synthetic::ImpactKind impact) {
    synthetic::ScenarioShape shape;
    shape.nodes = 144;
    shape.events = 288;
    shape.seed = seed;
    shape.impact = impact;
    return shape;
}

void HeuristicAgainstExact() {
    std::printf("\nNetwork 1 size (288 events x 144 nodes), mean people affected: heuristic against exact\n");
    std::printf("%5s %3s %14s %14s %9s %9s %14s %9s %8s\n", "seed", "K", "heuristic", "bound", "gap %", "time s",
                "exact", "time s", "same");
    int same = 0, runs = 0;
    double slowest = 0;
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        synthetic::ScenarioSet set = synthetic::NetworkScenarios(NetworkOneShape(seed, synthetic::ImpactKind::People));
        for (std::int32_t k : {5, 10}) {
            Options options;
            options.sensors = k;
            double heuristicSeconds = 0, exactSeconds = 0;
            Result heuristic = TimedRuns(set.Data(), options, 5, heuristicSeconds);
            options.exact = true;
            Result exact = TimedRuns(set.Data(), options, 1, exactSeconds);
            const auto& h = heuristic.placements[0];
            const auto& x = exact.placements[0];
            bool equal = std::abs(h.value - x.value) <= 1e-9 * x.value && x.exact == ExactStatus::Optimal;
            same += equal;
            ++runs;
            slowest = std::max(slowest, heuristicSeconds);
            std::printf("%5llu %3d %14.4f %14.4f %9.4f %9.4f %14.4f %9.3f %8s\n", static_cast<unsigned long long>(seed), k,
                        h.value, h.bound, 100 * h.gap, heuristicSeconds, x.value, exactSeconds, equal ? "yes" : "NO");
        }
    }
    std::printf("heuristic equal to the proven optimum in %d of %d runs; slowest heuristic run %.4f s (load average %.1f)\n",
                same, runs, slowest, LoadAverage());
}

void Curve() {
    synthetic::ScenarioSet set = synthetic::NetworkScenarios(NetworkOneShape(1, synthetic::ImpactKind::People));
    Options options;
    options.sensors = 20;
    options.curve = true;
    double seconds = 0;
    Result result = TimedRuns(set.Data(), options, 5, seconds);
    std::printf("\nNetwork 1 size, curve K = 1..20 (mean people affected): %.3f s (median of 5)\n", seconds);
    std::printf("%3s %12s %12s %9s %9s\n", "K", "value", "bound", "gap %", "detected");
    for (const auto& p : result.placements)
        std::printf("%3d %12.3f %12.3f %9.4f %9.3f\n", p.sensors, p.value, p.bound, 100 * p.gap, p.figures.detectedFraction);
}

struct ObjectiveCase {
    const char* name;
    synthetic::ImpactKind impact;
    Objective objective;
};

void EveryCombination(const synthetic::ScenarioShape& base, std::int32_t sensors, bool withExact, double timeLimit,
                      const char* title) {
    std::printf("\n%s, %d sensors: every objective and statistic (alpha 0.95, time limit %.0f s)\n", title, sensors, timeLimit);
    std::printf("%-9s %-6s %-9s %14s %14s %9s %9s %10s %9s\n", "objective", "stat", "mode", "value", "bound", "gap %",
                "time s", "exact", "same set");
    const ObjectiveCase cases[] = {{"minutes", synthetic::ImpactKind::Minutes, Objective::Impact},
                                   {"people", synthetic::ImpactKind::People, Objective::Impact},
                                   {"detect", synthetic::ImpactKind::People, Objective::Detection}};
    for (const ObjectiveCase& c : cases) {
        synthetic::ScenarioShape shape = base;
        shape.impact = c.impact;
        synthetic::ScenarioSet set = synthetic::NetworkScenarios(shape, 2);
        for (Statistic statistic : {Statistic::Mean, Statistic::VaR, Statistic::CVaR, Statistic::Worst})
            for (bool exact : {false, true}) {
                if (exact && !withExact) continue;
                Options options;
                options.sensors = sensors;
                options.objective = c.objective;
                options.statistic = statistic;
                options.exact = exact;
                options.timeLimitSeconds = timeLimit;
                double seconds = 0;
                Result result = TimedRuns(set.Data(), options, 1, seconds);
                const auto& p = result.placements[0];
                std::printf("%-9s %-6s %-9s %14.4f %14.4f %9.4f %9.3f %10s %9s\n", c.name, StatisticName(statistic),
                            exact ? "exact" : "heuristic", p.value, p.bound, 100 * p.gap, seconds, ExactName(p.exact),
                            result.SameForEverySet(statistic) ? "yes" : "no");
                std::fflush(stdout);
            }
    }
}

synthetic::ScenarioShape NetworkTwoShape() {
    synthetic::ScenarioShape shape;
    shape.nodes = 16338;
    shape.events = 32676;
    shape.seed = 2;
    return shape;
}

void NetworkTwoMean() {
    synthetic::ScenarioShape shape = NetworkTwoShape();
    Clock::time_point start = Clock::now();
    synthetic::ScenarioSet set = synthetic::NetworkScenarios(shape, 2);
    double matrixGb = 5.0 * shape.nodes * static_cast<double>(shape.events) / (1024.0 * 1024.0 * 1024.0);
    std::printf("Network 2 size (32,676 events x 16,338 nodes): matrices generated in %.1f s, %.2f GB (flags and one "
                "impact matrix), %.2f %% of cells detect, %d events no node detects\n",
                Seconds(start), matrixGb, 100 * set.DetectedShare(), set.UndetectedEvents());
    std::fflush(stdout);
    Options options;
    options.sensors = 20;
    double preparing = 0, heuristic = 0;
    options.progress = [&](const optimizer::Progress& progress) {
        if (progress.stage == optimizer::Stage::Heuristic && preparing == 0) preparing = progress.elapsedSeconds;
        if (progress.stage == optimizer::Stage::Bounding && heuristic == 0) heuristic = progress.elapsedSeconds;
        return true;
    };
    double processor = ProcessorSeconds(), loadBefore = LoadAverage();
    Result result = optimizer::Optimize(set.Data(), options);
    processor = ProcessorSeconds() - processor;
    const auto& p = result.placements[0];
    std::printf("20 sensors, mean people affected, %d threads: %.1f s in all (reading the matrices %.1f s, first "
                "heuristic set %.1f s, bound and improvement %.1f s); %.1f processor seconds; load average %.1f "
                "before, %.1f after\n",
                result.threads, result.seconds, preparing, heuristic - preparing, result.seconds - heuristic, processor,
                loadBefore, LoadAverage());
    std::printf("value %.4f, bound %.4f, gap %.3f %%, detected %.3f, VaR %.1f, CVaR %.1f, worst %.1f\n", p.value, p.bound,
                100 * p.gap, p.figures.detectedFraction, p.figures.var, p.figures.cvar, p.figures.worst);
    std::printf("peak memory %.2f GB (matrices %.2f GB)\n", PeakMemoryGb(), matrixGb);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "2") {
        NetworkTwoMean();
        if (argc > 2 && std::string(argv[2]) == "all")
            EveryCombination(NetworkTwoShape(), 20, false, argc > 3 ? std::atof(argv[3]) : 600.0, "Network 2 size");
        return 0;
    }
    HeuristicAgainstExact();
    Curve();
    EveryCombination(NetworkOneShape(1, synthetic::ImpactKind::People), 5, true, 60, "Network 1 size");
    return 0;
}
