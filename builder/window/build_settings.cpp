#include "builder/window/build_settings.h"

#include <charconv>

#include "builder/driver.h"
#include "builder/run_parameters.h"
#include "builder/window/field_reading.h"
#include "network/netload.h"

namespace builder::window {

namespace {

// A real in the general 15-significant-digit format ("479166.666666667").
std::string General15(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr;
    return std::string(text, end);
}

}  // namespace

FieldTexts DefaultFieldTexts() {
    // Text6: 28.75 kg per minute in mg, in the general 15-digit format.
    return FieldTexts{.Text1 = "0.34", .Text2 = "2", .Text3 = "3000", .Text4 = "2", .Text5 = "96",
                      .Text6 = General15(28750000.0 / 60), .Text7 = "0", .Text8 = "70", .Text9 = "41",
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

void ApplyFields(const FieldValues& v) {
    MaxSimDuration = v.MaxSimDuration;
    InjectionDuration = v.InjectionDuration;
    InjectionMassFlow = v.InjectionMassFlow;
    DetectionSensitivity = v.DetectionSensitivity;
    RepeatCount = v.RepeatCount;
    nRandomEvents = v.nRandomEvents;
    IngestionRate = v.IngestionRate;
    BodyWeight = v.BodyWeight;
    D50 = v.D50;
    Beta = v.Beta;
    PerCapitaConsumption = v.PerCapitaConsumption;
    nInjectionsPerEvent = v.nInjectionsPerEvent;
}

void SetEventMode(int mode) {
    if (mode < 0 || mode > 2) return;
    try {
        nEvents = ExpectedEventCount(mode, network::nNodes, network::QualStep, RepeatCount, nRandomEvents);
    } catch (const BuildError& e) {
        throw FieldError(e.what());
    }
    EventMode = mode;
}

}  // namespace builder::window
