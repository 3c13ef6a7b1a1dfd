// The builder's run parameters: set from the window (or another front end)
// before a build, read by the event generator and the simulation driver.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace builder {

inline std::int32_t EventMode = 1;  // 0 all nodes and all times, 1 all nodes X times, 2 random
inline std::int32_t nEvents = 0;
inline std::int32_t RepeatCount = 2;
inline std::int32_t nRandomEvents = 3000;
inline std::int32_t nInjectionsPerEvent = 1;
inline std::int32_t InjectionDuration = 2;      // hours
inline std::int32_t InjectionMassFlow = 479167;  // mg/min
inline std::int32_t MaxSimDuration = 96;         // hours
inline float DetectionSensitivity = 0.0f;        // mg/L
inline bool NoZ2 = false;
inline float IngestionRate = 2.0f;          // L/day
inline float BodyWeight = 70.0f;            // kg
inline float D50 = 41.0f;                   // mg/kg
inline float Beta = 0.34f;
inline float PerCapitaConsumption = 300.0f;  // L/day

inline std::atomic<bool> StopRequested{false};

inline std::string NetworkPath;
inline float FlowTimeFactor = 0.0f;    // seconds per time unit of the flow units
inline float FlowVolumeFactor = 0.0f;  // litres per volume unit of the flow units

// Sets FlowTimeFactor and FlowVolumeFactor for a toolkit flow-units code.
// Returns false, leaving both unchanged, for a code the builder cannot use.
bool SetFlowFactors(int flowUnitsCode);

// Name of a toolkit flow-units code for messages ("GPM", "code 42").
std::string FlowUnitsName(int flowUnitsCode);

}  // namespace builder
