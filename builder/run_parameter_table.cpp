#include "builder/run_parameter_table.h"

#include <array>
#include <cmath>
#include <limits>

#include "base/number_text.h"
#include "builder/numbers.h"

namespace builder {

namespace {

using M = matrix::ManifestParameters;
using R = RunParameters;

constexpr RunParameterEntry Whole(Parameter id, const char* option, const char* help, const char* type,
                                  const char* name, const char* label, int field, const char* unit,
                                  Requirement requirement, std::optional<EventMode> onlyMode, int checkOrder,
                                  std::int32_t R::*member, std::int32_t M::*recorded,
                                  ValueKind kind = ValueKind::Whole) {
    return {id,          option,   help,       type,   name,    label,    field,  unit,   kind,
            requirement, false,    onlyMode,   checkOrder, member, nullptr, recorded, nullptr};
}

constexpr RunParameterEntry Single(Parameter id, const char* option, const char* help, const char* type,
                                   const char* name, const char* label, int field, const char* unit,
                                   Requirement requirement, bool doseResponse, int checkOrder, float R::*member,
                                   float M::*recorded) {
    return {id,          option,       help,         type,       name,    label,  field,   unit,    ValueKind::Single,
            requirement, doseResponse, std::nullopt, checkOrder, nullptr, member, nullptr, recorded};
}

// The window's labels are its own texts, spelling included.
constexpr std::array kTable{
    Whole(Parameter::RepeatCount, "--repeat", "Times every node is injected (--mode repeat)", "X",
          "All nodes X times", "All nodes X times", 2, "", Requirement::AtLeastOne, EventMode::AllNodesRepeated, 4,
          &R::RepeatCount, &M::repeat),
    Whole(Parameter::RandomEvents, "--random-events", "Number of random events (--mode random)", "N",
          "Random events", "Random events", 3, "", Requirement::AtLeastOne, EventMode::RandomEvents, 5,
          &R::nRandomEvents, &M::randomEvents),
    Whole(Parameter::InjectionsPerEvent, "--injections", "Injections per random event, 1 to 1000 (--mode random)",
          "K", "Number of injections", "Number of injections:", 12, "", Requirement::InjectionCount,
          EventMode::RandomEvents, 11, &R::nInjectionsPerEvent, &M::injectionsPerEvent),
    Whole(Parameter::InjectionDuration, "--injection-hours", "Duration of every injection, hours", "H",
          "Injection duration", "Injection duration (hour):", 4, "h", Requirement::Hours, std::nullopt, 1,
          &R::InjectionDuration, &M::injectionHours),
    Whole(Parameter::InjectionMassFlow, "--mass-flow",
          "Contaminant mass inflow of an injection, mg/min (rounded to a whole number)", "MG_PER_MIN",
          "Injection mass flow", "Injection mass flow (mg/min):", 6, "mg/min", Requirement::MassFlow, std::nullopt,
          2, &R::InjectionMassFlow, &M::massFlow, ValueKind::RoundedReal),
    Whole(Parameter::MaxSimDuration, "--max-hours", "Simulated time of every event, hours", "H",
          "Max simulation duration", "Max simulation duration:", 5, "h", Requirement::Hours, std::nullopt, 0,
          &R::MaxSimDuration, &M::maxHours),
    Single(Parameter::DetectionSensitivity, "--sensitivity", "Detection sensitivity of a sensor, mg/L", "MG_PER_L",
           "Detection sensitivity", "Detection sensativity (mg/L):", 7, "mg/L", Requirement::ZeroOrPositive, false,
           3, &R::DetectionSensitivity, &M::sensitivity),
    Single(Parameter::IngestionRate, "--ingestion-rate", "Mean volumetric ingestion rate, L/day", "L_PER_DAY",
           "Mean volumetric ingestion rate", "Mean volumetric ingestion rate (L/day):", 10, "L/day",
           Requirement::Positive, true, 6, &R::IngestionRate, &M::ingestionRate),
    Single(Parameter::BodyWeight, "--body-weight", "Assumed body weight, kg", "KG", "Assumed body weight",
           "Assumed body weight (kg):", 8, "kg", Requirement::Positive, true, 7, &R::BodyWeight, &M::bodyWeight),
    Single(Parameter::D50, "--d50", "Dose affecting half of the people, mg/kg", "MG_PER_KG", "D50", "D50 (mg/Kg):",
           9, "mg/kg", Requirement::Positive, true, 8, &R::D50, &M::d50),
    Single(Parameter::Beta, "--beta", "Slope of the log-probit dose-response model", "B", "Beta", "Beta:", 1, "",
           Requirement::Finite, true, 9, &R::Beta, &M::beta),
    Single(Parameter::PerCapitaConsumption, "--per-capita", "Per capita water consumption rate, L/day", "L_PER_DAY",
           "Per capita water consumption rate", "Per capita water consumption rate (L/day):", 11, "L/day",
           Requirement::Positive, false, 10, &R::PerCapitaConsumption, &M::perCapita),
};
static_assert(kTable.size() == kParameterCount);

constexpr std::array<RunSwitchEntry, kSwitchCount> kSwitches{{
    {Switch::NoZ2, "--no-z2", "Do not calculate the Z2 matrix (people affected)", "Do not calculate Z2 matrix",
     &R::NoZ2, &M::noZ2},
    // The windows' networks define the analysis: they never set it.
    {Switch::Chemical, "--chemical",
     "Study a chemical in mg/L whatever water-quality analysis the network defines (water age, source trace, ...); "
     "the network file is not changed and its reaction coefficients apply",
     nullptr, &R::ChemicalAnalysis, &M::chemical},
}};

constexpr RunModeEntry kMode{
    "--mode",
    "Event set: all-times (every node at every quality step of a day), repeat (every node --repeat times at random "
    "start times) or random (--random-events events at random nodes and times)",
    "MODE", &M::mode};

constexpr std::array<EventMode, 3> kModes{EventMode::AllNodesAllTimes, EventMode::AllNodesRepeated,
                                          EventMode::RandomEvents};

constexpr bool SwitchesInIdOrder() {
    for (std::size_t i = 0; i < kSwitches.size(); ++i)
        if (static_cast<std::size_t>(kSwitches[i].id) != i) return false;
    return true;
}
static_assert(SwitchesInIdOrder());

constexpr std::array<const RunParameterEntry*, kParameterCount> ByCheckOrder() {
    std::array<const RunParameterEntry*, kParameterCount> order{};
    for (const RunParameterEntry& entry : kTable) order[static_cast<std::size_t>(entry.checkOrder)] = &entry;
    return order;
}

constexpr std::array<const RunParameterEntry*, kParameterCount> ById() {
    std::array<const RunParameterEntry*, kParameterCount> byId{};
    for (const RunParameterEntry& entry : kTable) byId[static_cast<std::size_t>(entry.id)] = &entry;
    return byId;
}

// Every parameter appears once, and each check has a place of its own.
constexpr bool EveryPlaceOnce(const std::array<const RunParameterEntry*, kParameterCount>& places) {
    for (const RunParameterEntry* entry : places)
        if (entry == nullptr) return false;
    return true;
}

constexpr auto kByCheckOrder = ByCheckOrder();
constexpr auto kById = ById();
static_assert(EveryPlaceOnce(kByCheckOrder), "every entry needs its own checkOrder");
static_assert(EveryPlaceOnce(kById), "every parameter needs its own entry");

}  // namespace

std::span<const RunParameterEntry> RunParameterTable() { return kTable; }

const RunParameterEntry& EntryOf(Parameter parameter) { return *kById[static_cast<std::size_t>(parameter)]; }

std::span<const RunParameterEntry* const> EntriesInCheckOrder() { return kByCheckOrder; }

double ValueOf(const RunParameterEntry& entry, const RunParameters& p) {
    return entry.kind == ValueKind::Single ? static_cast<double>(p.*entry.single) : p.*entry.whole;
}

void SetValue(const RunParameterEntry& entry, RunParameters& p, double value) {
    if (entry.kind == ValueKind::Single) {
        // Beyond the single range: an infinity of its sign, which no check
        // accepts, rather than an undefined conversion.
        constexpr float kInfinity = std::numeric_limits<float>::infinity();
        p.*entry.single = std::fabs(value) > std::numeric_limits<float>::max() ? (value > 0 ? kInfinity : -kInfinity)
                                                                                : static_cast<float>(value);
        return;
    }
    p.*entry.whole = ToInt32(value);
}

double DefaultValue(const RunParameterEntry& entry) {
    if (entry.kind == ValueKind::RoundedReal) return kDefaultMassFlow;
    return ValueOf(entry, RunParameters{});
}

std::string DefaultText(const RunParameterEntry& entry) {
    const double value = DefaultValue(entry);
    switch (entry.kind) {
        case ValueKind::Whole: return std::to_string(static_cast<std::int32_t>(value));
        case ValueKind::RoundedReal: return base::GeneralText(value, 15);
        case ValueKind::Single: return base::ShortestText(static_cast<float>(value));
    }
    return {};
}

std::string RequirementText(Requirement requirement) {
    switch (requirement) {
        case Requirement::Hours: return "must be a whole number of hours from 1 to " + std::to_string(kMaxHours);
        case Requirement::MassFlow: return "must be at least 1 mg/min";
        case Requirement::ZeroOrPositive: return "must be zero or a positive number of mg/L";
        case Requirement::Positive: return "must be positive";
        case Requirement::Finite: return "must be a finite number";
        case Requirement::AtLeastOne: return "must be at least 1";
        case Requirement::InjectionCount: return "must be from 1 to " + std::to_string(kMaxInjectionsPerEvent);
    }
    return {};
}

bool Meets(Requirement requirement, double value) {
    switch (requirement) {
        case Requirement::Hours: return value >= 1 && value <= kMaxHours;
        // A mass flow that rounds to 0 mg/min injects nothing: no node could detect.
        case Requirement::MassFlow: return value >= 1;
        case Requirement::ZeroOrPositive: return std::isfinite(value) && value >= 0;
        case Requirement::Positive: return std::isfinite(value) && value > 0;
        case Requirement::Finite: return std::isfinite(value);
        case Requirement::AtLeastOne: return value >= 1;
        case Requirement::InjectionCount: return value >= 1 && value <= kMaxInjectionsPerEvent;
    }
    return false;
}

std::string ManifestKey(const RunParameterEntry& entry) {
    return entry.kind == ValueKind::Single ? matrix::ManifestKey(entry.manifestSingle)
                                           : matrix::ManifestKey(entry.manifestWhole);
}

std::span<const RunSwitchEntry> RunSwitchTable() { return kSwitches; }

const RunSwitchEntry& EntryOf(Switch id) { return kSwitches[static_cast<std::size_t>(id)]; }

std::string ManifestKey(const RunSwitchEntry& entry) { return matrix::ManifestKey(entry.recorded); }

const RunModeEntry& ModeEntry() { return kMode; }

std::span<const EventMode> EventModes() { return kModes; }

bool CheckedByBuild(const RunParameterEntry& entry) {
    return entry.requirement != Requirement::AtLeastOne && entry.requirement != Requirement::InjectionCount;
}

}  // namespace builder
