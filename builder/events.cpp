#include "builder/events.h"

#include <chrono>
#include <cmath>
#include <random>
#include <stdexcept>

#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

namespace {

clsInjectionEvent Injection(std::int32_t node, std::int32_t time) {
    clsInjectionEvent injection;
    injection.evPollutionDuration = InjectionDuration;
    injection.evPollutionLevel = static_cast<float>(InjectionMassFlow);
    injection.evPollutionMulti = 1.0f;
    injection.evNodeInd = node;
    injection.evNodeID = network::NodeID[static_cast<std::size_t>(node)];
    injection.evTime = time;
    return injection;
}

void AppendSingleInjectionEvent(clsInjectionEvent injection) {
    clsPollutionEvent event;
    event.colInjectionEvent.push_back(std::move(injection));
    event.DemandMulti = 1.0f;
    event.nInjections = 1;
    colPollutionEvents.push_back(std::move(event));
}

void GenerateAllNodesAllTimes(double stepsPerDay) {
    std::int32_t count = 0;
    for (std::int32_t n = 1; n <= network::nNodes; ++n) {
        for (std::int32_t t = 0; t <= stepsPerDay - 1; ++t) {
            ++count;
            AppendSingleInjectionEvent(Injection(n, t));
        }
    }
    nEvents = count;
}

void GenerateAllNodesRepeated(double stepsPerDay, const UniformSource& random) {
    for (std::int32_t k = 1; k <= RepeatCount; ++k)
        for (std::int32_t n = 1; n <= network::nNodes; ++n)
            AppendSingleInjectionEvent(Injection(n, ToInt32((stepsPerDay - 1) * random())));
}

void GenerateRandomEvents(double stepsPerDay, const UniformSource& random) {
    for (std::int32_t k = 1; k <= nRandomEvents; ++k) {
        clsPollutionEvent event;
        for (std::int32_t j = 1; j <= nInjectionsPerEvent; ++j) {
            auto node = static_cast<std::int32_t>(std::floor(random() * network::nNodes)) + 1;
            std::int32_t time = ToInt32((stepsPerDay - 1) * random());
            event.colInjectionEvent.push_back(Injection(node, time));
            event.DemandMulti = 1.0f;
            event.nInjections = nInjectionsPerEvent;
        }
        colPollutionEvents.push_back(std::move(event));
    }
}

}  // namespace

UniformSource SeededUniformSource(std::uint64_t seed) {
    return [engine = std::mt19937_64(seed)]() mutable {
        // 53 random bits scaled into [0, 1).
        return static_cast<double>(engine() >> 11) * 0x1.0p-53;
    };
}

std::uint64_t ClockSeed() {
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

void GenerateEvents(const UniformSource& random) {
    const double stepsPerDay = (3600.0 / network::QualStep) * 24;
    switch (EventMode) {
        case 0: GenerateAllNodesAllTimes(stepsPerDay); break;
        case 1: GenerateAllNodesRepeated(stepsPerDay, random); break;
        case 2: GenerateRandomEvents(stepsPerDay, random); break;
        default: throw std::invalid_argument("unknown event mode " + std::to_string(EventMode));
    }
}

void GenerateEvents() { GenerateEvents(SeededUniformSource(ClockSeed())); }

}  // namespace builder
