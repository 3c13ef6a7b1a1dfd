// Contamination events: the record classes and the event-set generator.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace builder {

// One injection of contaminant at one node.
class clsInjectionEvent {
public:
    std::int32_t evTime = 0;     // start, in quality steps from the simulation start
    std::int32_t evNodeInd = 0;  // toolkit node index
    std::string evNodeID;
    float evPollutionLevel = 0.0f;        // mass inflow, mg/min
    std::int32_t evPollutionDuration = 0;  // hours
    float evPollutionMulti = 0.0f;
};

// One contamination event; colInjectionEvent[k - 1] is its injection k.
class clsPollutionEvent {
public:
    std::vector<clsInjectionEvent> colInjectionEvent;
    std::int32_t nInjections = 0;
    float DemandMulti = 0.0f;
};

// The event set; colPollutionEvents[k - 1] is event number k.
inline std::vector<clsPollutionEvent> colPollutionEvents;

inline const clsPollutionEvent& PollutionEvent(std::int32_t eventNumber) {
    return colPollutionEvents[static_cast<std::size_t>(eventNumber) - 1];
}

// A uniform pseudo-random source on [0, 1).
using UniformSource = std::function<double()>;

// A uniform source seeded with the given value (the same seed gives the same draws).
UniformSource SeededUniformSource(std::uint64_t seed);

// A seed taken from the clock.
std::uint64_t ClockSeed();

// Appends the event set of the current EventMode to colPollutionEvents
// (mode 0 also sets nEvents). Draws come from the given source in the order
// node first, then time.
void GenerateEvents(const UniformSource& random);

// Same, seeded from the clock.
void GenerateEvents();

}  // namespace builder
