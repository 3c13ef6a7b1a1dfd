// What `tesmar build` was asked to do: the network, the run parameters with
// the builder window's defaults, and how the events are run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "builder/run_parameters.h"
#include "builder/validation.h"
#include "tesmar/thread_count.h"

namespace tesmar {

// Most injections one random event may have.
inline constexpr std::int32_t kMaxInjectionsPerEvent = 1000;

// Every option defaults to the builder window's value.
struct BuildRequest {
    std::string NetworkFile;
    builder::EventMode Mode = builder::RunParameters{}.Mode;
    std::int32_t RepeatCount = builder::RunParameters{}.RepeatCount;
    std::int32_t RandomEvents = builder::RunParameters{}.nRandomEvents;
    std::int32_t Injections = builder::RunParameters{}.nInjectionsPerEvent;
    std::int32_t InjectionHours = builder::RunParameters{}.InjectionDuration;
    double MassFlow = builder::kDefaultMassFlow;  // mg/min, rounded like the window's field
    std::int32_t MaxHours = builder::RunParameters{}.MaxSimDuration;
    double Sensitivity = builder::RunParameters{}.DetectionSensitivity;     // mg/L
    double IngestionRate = builder::RunParameters{}.IngestionRate;          // L/day
    double BodyWeight = builder::RunParameters{}.BodyWeight;                // kg
    double D50 = builder::RunParameters{}.D50;                              // mg/kg
    double Beta = builder::RunParameters{}.Beta;
    double PerCapita = builder::RunParameters{}.PerCapitaConsumption;       // L/day
    bool NoZ2 = builder::RunParameters{}.NoZ2;
    std::optional<std::uint64_t> Seed;
    std::optional<int> Threads;         // default: every core the process may use
    bool Reference = false;
    bool AcceptWarnings = false;
    std::string Engine = "own";  // "own" or "toolkit"
    bool Chemical = false;       // a chemical in mg/L whatever the network defines

    // Options that only apply to some event modes, to reject them elsewhere.
    bool RepeatGiven = false, RandomEventsGiven = false, InjectionsGiven = false;
};

// Throws InputError naming the first option whose value the build cannot
// take or that does not fit the chosen event mode. Touches nothing.
void ValidateBuildRequest(const BuildRequest& request);

// What the user reads about a run parameter the build cannot take: the
// option that set it, the requirement and the value given.
std::string ParameterMessage(const BuildRequest& request, builder::Parameter parameter, const std::string& requirement);

// The builder's run parameters for the request.
builder::RunParameters ToRunParameters(const BuildRequest& request);


}  // namespace tesmar
