#include "builder/window/build_settings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/number_text.h"
#include "builder/window/field_reading.h"

namespace builder::window {

namespace {

// A real in the general 15-significant-digit format ("479166.666666667").
std::string General15(double value) {
    return base::GeneralText(value, 15);
}

}  // namespace

FieldTexts DefaultFieldTexts() {
    // Text6: 28.75 kg per minute in mg, in the general 15-digit format.
    return FieldTexts{.Text1 = "0.34", .Text2 = "2", .Text3 = "3000", .Text4 = "2", .Text5 = "96",
                      .Text6 = General15(kDefaultMassFlow), .Text7 = "0", .Text8 = "70", .Text9 = "41",
                      .Text10 = "2", .Text11 = "300", .Text12 = "1"};
}

FieldValues ReadFields(const FieldTexts& t) {
    FieldValues v;
    v.MaxSimDuration = FieldInt32(t.Text5, "Max simulation duration:");
    v.InjectionDuration = FieldInt32(t.Text4, "Injection duration (hour):");
    v.InjectionMassFlow = FieldInt32(t.Text6, "Injection mass flow (mg/min):");
    v.DetectionSensitivity = FieldSingle(t.Text7, "Detection sensativity (mg/L):");
    v.RepeatCount = FieldInt32(t.Text2, "All nodes X times");
    v.nRandomEvents = FieldInt32(t.Text3, "Random events");
    v.IngestionRate = FieldSingle(t.Text10, "Mean volumetric ingestion rate (L/day):");
    v.BodyWeight = FieldSingle(t.Text8, "Assumed body weight (kg):");
    v.D50 = FieldSingle(t.Text9, "D50 (mg/Kg):");
    v.Beta = FieldSingle(t.Text1, "Beta:");
    v.PerCapitaConsumption = FieldSingle(t.Text11, "Per capita water consumption rate (L/day):");
    v.nInjectionsPerEvent = FieldInt32(t.Text12, "Number of injections:");
    return v;
}

void ApplyFields(const FieldValues& v, RunParameters& p) {
    p.MaxSimDuration = v.MaxSimDuration;
    p.InjectionDuration = v.InjectionDuration;
    p.InjectionMassFlow = v.InjectionMassFlow;
    p.DetectionSensitivity = v.DetectionSensitivity;
    p.RepeatCount = v.RepeatCount;
    p.nRandomEvents = v.nRandomEvents;
    p.IngestionRate = v.IngestionRate;
    p.BodyWeight = v.BodyWeight;
    p.D50 = v.D50;
    p.Beta = v.Beta;
    p.PerCapitaConsumption = v.PerCapitaConsumption;
    p.nInjectionsPerEvent = v.nInjectionsPerEvent;
}

namespace {

std::int32_t FitCount(double count, const std::string& what) {
    if (!(count <= std::numeric_limits<std::int32_t>::max()))
        throw FieldError(what + " (" + std::to_string(static_cast<long long>(count)) + ") does not fit a 32-bit integer");
    return static_cast<std::int32_t>(count);
}

}  // namespace

std::int32_t ExpectedEventCount(EventMode mode, std::int32_t nNodes, std::int32_t qualStep, const RunParameters& p) {
    const std::string what = "The expected number of events";
    switch (mode) {
        case EventMode::AllNodesAllTimes: {
            if (qualStep <= 0) throw FieldError("The network's water-quality time step is not positive");
            const std::int32_t nodeHours = FitCount(static_cast<double>(nNodes) * 24, "Nodes times 24 hours");
            return FitCount(std::nearbyint(3600.0 / qualStep * nodeHours), what);
        }
        case EventMode::AllNodesRepeated: return FitCount(static_cast<double>(nNodes) * p.RepeatCount, what);
        case EventMode::RandomEvents: return p.nRandomEvents;
    }
    return 0;
}

}  // namespace builder::window
