#include "builder/events.h"

#include <chrono>
#include <cmath>
#include <random>

#include "builder/numbers.h"

namespace builder {

UniformSource SeededUniformSource(std::uint64_t seed) {
    return [engine = std::mt19937_64(seed)]() mutable {
        // 53 random bits scaled into [0, 1).
        return static_cast<double>(engine() >> 11) * 0x1.0p-53;
    };
}

std::uint64_t ClockSeed() {
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

double StepsPerDay(std::int32_t qualStep) { return (3600.0 / qualStep) * 24; }

std::int64_t EventCount(const network::Network& net, const RunParameters& p) {
    switch (p.Mode) {
        case EventMode::AllNodesAllTimes: {
            // Steps t = 0, 1, ... while t <= D - 1.
            const double d = StepsPerDay(net.QualStep);
            const auto starts = d < 1 ? 0 : static_cast<std::int64_t>(std::floor(d - 1)) + 1;
            return static_cast<std::int64_t>(net.nNodes) * starts;
        }
        case EventMode::AllNodesRepeated:
            return p.RepeatCount <= 0 ? 0 : static_cast<std::int64_t>(net.nNodes) * p.RepeatCount;
        case EventMode::RandomEvents: return p.nRandomEvents <= 0 ? 0 : p.nRandomEvents;
    }
    return 0;
}

EventGenerator::EventGenerator(const network::Network& net, const RunParameters& parameters, UniformSource random)
    : net_(net), parameters_(parameters), random_(std::move(random)), stepsPerDay_(StepsPerDay(net.QualStep)),
      count_(EventCount(net, parameters)) {}

Injection EventGenerator::InjectionAt(std::int32_t node, std::int32_t step) const {
    Injection injection;
    injection.hours = parameters_.InjectionDuration;
    injection.massRate = static_cast<float>(parameters_.InjectionMassFlow);
    injection.node = node;
    injection.nodeId = net_.NodeID[static_cast<std::size_t>(node)];
    injection.startStep = step;
    return injection;
}

bool EventGenerator::Next(Event& event) {
    if (made_ >= count_) return false;
    const std::int64_t k = made_++;
    event.injections.clear();
    switch (parameters_.Mode) {
        case EventMode::AllNodesAllTimes: {
            // Node-major: every start step of node 1, then of node 2, ...
            const std::int64_t starts = count_ / net_.nNodes;
            event.injections.push_back(InjectionAt(static_cast<std::int32_t>(k / starts) + 1,
                                                   static_cast<std::int32_t>(k % starts)));
            break;
        }
        case EventMode::AllNodesRepeated: {
            // Repetition-major: one event per node, then again.
            const auto node = static_cast<std::int32_t>(k % net_.nNodes) + 1;
            event.injections.push_back(InjectionAt(node, ToInt32((stepsPerDay_ - 1) * random_())));
            break;
        }
        case EventMode::RandomEvents: {
            const std::int32_t injections = parameters_.nInjectionsPerEvent;
            for (std::int32_t j = 1; j <= injections; ++j) {
                const auto node = static_cast<std::int32_t>(std::floor(random_() * net_.nNodes)) + 1;
                const std::int32_t step = ToInt32((stepsPerDay_ - 1) * random_());
                event.injections.push_back(InjectionAt(node, step));
            }
            break;
        }
    }
    return true;
}

std::vector<Event> GenerateEvents(const network::Network& net, const RunParameters& parameters,
                                  UniformSource random) {
    EventGenerator generator(net, parameters, std::move(random));
    std::vector<Event> events(static_cast<std::size_t>(generator.Count()));
    for (Event& event : events) generator.Next(event);
    return events;
}

}  // namespace builder
