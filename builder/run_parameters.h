// The run parameters of a build, with the builder window's defaults. A
// front end fills one RunParameters value and hands it to the build.
#pragma once

#include <cstdint>

namespace builder {

enum class EventMode : std::int32_t {
    AllNodesAllTimes = 0,  // every node at every quality step of the first day
    AllNodesRepeated = 1,  // every node RepeatCount times, at random start steps
    RandomEvents = 2,      // nRandomEvents events of random injections
};

// The short names of the modes: "all-times", "repeat", "random".
inline const char* ModeName(EventMode mode) {
    switch (mode) {
        case EventMode::AllNodesAllTimes: return "all-times";
        case EventMode::AllNodesRepeated: return "repeat";
        case EventMode::RandomEvents: return "random";
    }
    return "unknown";
}

struct RunParameters {
    EventMode Mode = EventMode::AllNodesRepeated;
    std::int32_t RepeatCount = 2;
    std::int32_t nRandomEvents = 3000;
    std::int32_t nInjectionsPerEvent = 1;
    std::int32_t InjectionDuration = 2;      // hours
    std::int32_t InjectionMassFlow = 479167;  // mg/min
    std::int32_t MaxSimDuration = 96;         // hours
    float DetectionSensitivity = 0.0f;        // mg/L
    bool NoZ2 = false;                        // skip people affected
    float IngestionRate = 2.0f;               // L/day
    float BodyWeight = 70.0f;                 // kg
    float D50 = 41.0f;                        // mg/kg
    float Beta = 0.34f;
    float PerCapitaConsumption = 300.0f;      // L/day
    // A chemical analysis in mg/L whatever the network defines (the windows
    // never set it: their networks define the analysis).
    bool ChemicalAnalysis = false;
};

// The injection mass flow as the front ends offer it, 28.75 kg per minute
// in mg, before it is rounded to InjectionMassFlow's whole mg/min.
inline constexpr double kDefaultMassFlow = 28750000.0 / 60;

}  // namespace builder
