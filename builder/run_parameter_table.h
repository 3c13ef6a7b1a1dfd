// The run parameters a user sets, each named once: how the command line,
// the builder window, the checks and the manifest (through the member that
// records it, whose key the manifest format names) know it. The front ends
// and the checks walk this table instead of listing the parameters again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "builder/run_parameters.h"
#include "matrix/manifest.h"

namespace builder {

// Most hours a duration may span: the toolkit counts seconds in 32 bits.
inline constexpr std::int32_t kMaxHours = std::numeric_limits<std::int32_t>::max() / 3600;

// The run parameters of the table; their values are indexed by these.
enum class Parameter {
    MaxSimDuration,
    InjectionDuration,
    InjectionMassFlow,
    DetectionSensitivity,
    PerCapitaConsumption,
    IngestionRate,
    BodyWeight,
    D50,
    Beta,
    RepeatCount,
    RandomEvents,
    InjectionsPerEvent,
};
inline constexpr std::size_t kParameterCount = 12;

// What a value must be. The build checks the first group; a count of events
// or injections is checked by the command line only, which refuses it for the
// other event modes (the window passes its count on as typed).
enum class Requirement {
    Hours,           // a whole number of hours from 1 to kMaxHours
    MassFlow,        // at least 1 mg/min once rounded
    ZeroOrPositive,  // finite and not negative
    Positive,        // finite and above 0
    Finite,
    AtLeastOne,              // command line only
    InjectionCount,          // 1 to kMaxInjectionsPerEvent, command line only
};

// How the value is held: a 32-bit whole number typed as one, a real rounded
// to a 32-bit whole number (ties to even), or a single.
enum class ValueKind { Whole, RoundedReal, Single };

// Most injections one random event may have.
inline constexpr std::int32_t kMaxInjectionsPerEvent = 1000;

struct RunParameterEntry {
    Parameter id;
    const char* option;      // "--max-hours"
    const char* optionHelp;  // the option's line in tesmar build --help
    const char* optionType;  // its value's name there ("H")
    const char* name;        // how the window's messages name it ("Max simulation duration")
    const char* fieldLabel;  // the window's label of its field ("Max simulation duration:")
    int windowField;         // N of the window's field TextN
    const char* unit;        // "h", "mg/min", ... ("" for a count or a pure number)
    ValueKind kind;
    Requirement requirement;
    bool doseResponse;  // used only for the people affected (Z2): unchecked with NoZ2
    // The event mode it applies to, or every mode.
    std::optional<EventMode> onlyMode;
    // The position of its check among the others, which is also the order the
    // window reads its fields in: the first value that fails is the one reported.
    int checkOrder;
    std::int32_t RunParameters::*whole;  // kind Whole or RoundedReal
    float RunParameters::*single;        // kind Single
    // The member of the manifest's parameters that records it (its key is
    // the manifest format's, ManifestKey).
    std::int32_t matrix::ManifestParameters::*manifestWhole;
    float matrix::ManifestParameters::*manifestSingle;
};

// Every entry, in the order of the command line's options.
std::span<const RunParameterEntry> RunParameterTable();

// The entry of a parameter.
const RunParameterEntry& EntryOf(Parameter parameter);

// The entries in their checkOrder.
std::span<const RunParameterEntry* const> EntriesInCheckOrder();

// The parameter's value in the run parameters, as a double, and setting it
// (a real value in a whole parameter is rounded, ties to even).
double ValueOf(const RunParameterEntry& entry, const RunParameters& parameters);
void SetValue(const RunParameterEntry& entry, RunParameters& parameters, double value);

// The value front ends start from: the RunParameters default, but the
// injection mass flow, offered unrounded (kDefaultMassFlow).
double DefaultValue(const RunParameterEntry& entry);

// The default as the window's field and the option's help show it: a whole
// number, the shortest text of the single, or 15 significant digits for a
// rounded real.
std::string DefaultText(const RunParameterEntry& entry);

// What the requirement says ("must be positive"), after the parameter's name.
std::string RequirementText(Requirement requirement);

// Whether a value meets the requirement (for a rounded real, once rounded).
bool Meets(Requirement requirement, double value);

// The key the manifest records the parameter under ("max_hours").
std::string ManifestKey(const RunParameterEntry& entry);

// The run parameters that are switched on or off.
enum class Switch { NoZ2, Chemical };
inline constexpr std::size_t kSwitchCount = 2;

struct RunSwitchEntry {
    Switch id;
    const char* option;          // "--no-z2"
    const char* optionHelp;      // the option's line in tesmar build --help
    const char* windowCaption;   // the window's check box, or nullptr where the window has none
    bool RunParameters::*member;
    bool matrix::ManifestParameters::*recorded;  // its key is the manifest format's (ManifestKey)
};

// Every switch, in the order of the RunParameters members; all are off by default.
std::span<const RunSwitchEntry> RunSwitchTable();
const RunSwitchEntry& EntryOf(Switch id);
std::string ManifestKey(const RunSwitchEntry& entry);

// The event mode, one of EventModes (the window's option buttons).
struct RunModeEntry {
    const char* option;      // "--mode"
    const char* optionHelp;  // the option's line in tesmar build --help
    const char* optionType;  // its value's name there ("MODE")
    std::string matrix::ManifestParameters::*recorded;  // under the manifest format's key
};
const RunModeEntry& ModeEntry();
// Every event mode, in the order the option's help names them.
std::span<const EventMode> EventModes();

// Whether the build checks the requirement (not only the command line).
bool CheckedByBuild(const RunParameterEntry& entry);

}  // namespace builder
