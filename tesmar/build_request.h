// What `tesmar build` was asked to do: the network, the run parameters with
// the builder window's defaults, and how the events are run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "builder/run_parameter_table.h"
#include "builder/run_parameters.h"
#include "builder/validation.h"
#include "tesmar/thread_count.h"

namespace tesmar {

// Most injections one random event may have.
inline constexpr std::int32_t kMaxInjectionsPerEvent = builder::kMaxInjectionsPerEvent;

// The values of the table's run parameters, by builder::Parameter.
using ParameterValues = std::array<double, builder::kParameterCount>;

// The builder window's defaults of the table's run parameters.
ParameterValues DefaultParameterValues();

// Every option defaults to the builder window's value.
struct BuildRequest {
    std::string NetworkFile;
    builder::EventMode Mode = builder::RunParameters{}.Mode;
    // Each run parameter of the table as its option gave it: a real parameter
    // in double precision, so that a value beyond a single's range is
    // reported as given; the mass flow unrounded.
    ParameterValues Values = DefaultParameterValues();
    std::optional<std::uint64_t> Seed;
    std::optional<int> Threads;         // default: every core the process may use
    bool Reference = false;
    bool AcceptWarnings = false;
    std::string Engine = "own";  // "own" or "toolkit"
    // The table's switches, by builder::Switch (--no-z2, --chemical).
    std::array<bool, builder::kSwitchCount> Switches{};

    // Which parameters' options were given, to refuse those that apply only
    // to another event mode.
    std::array<bool, builder::kParameterCount> Given{};

    double& Value(builder::Parameter parameter) { return Values[static_cast<std::size_t>(parameter)]; }
    double Value(builder::Parameter parameter) const { return Values[static_cast<std::size_t>(parameter)]; }
    bool& On(builder::Switch id) { return Switches[static_cast<std::size_t>(id)]; }
    bool On(builder::Switch id) const { return Switches[static_cast<std::size_t>(id)]; }
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
