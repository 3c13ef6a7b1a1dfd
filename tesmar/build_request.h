// What `tesmar build` was asked to do: the network, the run parameters with
// the builder window's defaults, and how the events are run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesmar {

// Most injections one random event may have.
inline constexpr std::int32_t kMaxInjectionsPerEvent = 1000;

// Most hours a duration may span: the toolkit counts seconds in 32 bits.
inline constexpr std::int32_t kMaxHours = 596523;

// Most worker threads --threads accepts.
inline constexpr int kMaxThreads = 1024;

enum class EventModeChoice { AllTimes = 0, Repeat = 1, Random = 2 };

struct BuildRequest {
    std::string NetworkFile;
    EventModeChoice Mode = EventModeChoice::Repeat;
    std::int32_t RepeatCount = 2;
    std::int32_t RandomEvents = 3000;
    std::int32_t Injections = 1;
    std::int32_t InjectionHours = 2;
    double MassFlow = 28750000.0 / 60;  // mg/min, rounded like the window's field
    std::int32_t MaxHours = 96;
    double Sensitivity = 0.0;           // mg/L
    double IngestionRate = 2.0;         // L/day
    double BodyWeight = 70.0;           // kg
    double D50 = 41.0;                  // mg/kg
    double Beta = 0.34;
    double PerCapita = 300.0;           // L/day
    bool NoZ2 = false;
    std::optional<std::uint64_t> Seed;
    std::optional<int> Threads;         // default: every core the process may use
    bool Reference = false;

    // Options that only apply to some event modes, to reject them elsewhere.
    bool RepeatGiven = false, RandomEventsGiven = false, InjectionsGiven = false;
};

// Throws InputError naming the first option whose value is out of range or
// does not fit the chosen event mode. Touches nothing.
void ValidateBuildRequest(const BuildRequest& request);

// Copies the request into the builder's run parameters (not NetworkPath).
void ApplyRunParameters(const BuildRequest& request);

// The number of events the window expects for the mode on the loaded
// network; throws InputError when it does not fit a 32-bit count.
std::int32_t ExpectedEventCount(EventModeChoice mode, std::int32_t nNodes, std::int32_t qualStep,
                                std::int32_t repeatCount, std::int32_t randomEvents);

// The --mode names, in event-mode order.
inline constexpr const char* kModeNames[] = {"all-times", "repeat", "random"};

}  // namespace tesmar
