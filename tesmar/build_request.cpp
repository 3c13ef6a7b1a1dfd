#include "tesmar/build_request.h"

#include <cmath>
#include <limits>

#include "builder/driver.h"
#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace {

void Require(bool condition, const std::string& message) {
    if (!condition) throw InputError(message);
}

std::string Got(double value) {
    std::string text = std::to_string(value);
    while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
        const bool dot = text.back() == '.';
        text.pop_back();
        if (dot) break;
    }
    return " (got " + text + ")";
}

void RequireHours(std::int32_t hours, const char* option) {
    Require(hours > 0 && hours <= kMaxHours, std::string(option) + " must be a whole number of hours from 1 to " +
                                                 std::to_string(kMaxHours) + Got(hours));
}

void RequirePositive(double value, const char* option) {
    Require(std::isfinite(value) && value > 0, std::string(option) + " must be positive" + Got(value));
}

void RequireFitsSingle(double value, const char* option) {
    Require(std::fabs(value) <= std::numeric_limits<float>::max(),
            std::string(option) + " is too large" + Got(value));
}

void ValidateModeOptions(const BuildRequest& r) {
    const bool random = r.Mode == EventModeChoice::Random;
    Require(!r.RepeatGiven || r.Mode == EventModeChoice::Repeat, "--repeat applies only to --mode repeat");
    Require(!r.RandomEventsGiven || random, "--random-events applies only to --mode random");
    Require(!r.InjectionsGiven || random, "--injections applies only to --mode random");
    Require(r.RepeatCount >= 1, "--repeat must be at least 1" + Got(r.RepeatCount));
    Require(r.RandomEvents >= 1, "--random-events must be at least 1" + Got(r.RandomEvents));
    Require(r.Injections >= 1 && r.Injections <= kMaxInjectionsPerEvent,
            "--injections must be from 1 to " + std::to_string(kMaxInjectionsPerEvent) + Got(r.Injections));
}

void ValidateZ2Options(const BuildRequest& r) {
    // Without a positive ingestion rate, body weight and D50 the dose has no
    // logarithm and the dose-response model is undefined.
    RequirePositive(r.IngestionRate, "--ingestion-rate");
    RequirePositive(r.BodyWeight, "--body-weight");
    RequirePositive(r.D50, "--d50");
    Require(std::isfinite(r.Beta), "--beta must be a finite number");
    for (auto [value, option] : {std::pair{r.IngestionRate, "--ingestion-rate"}, {r.BodyWeight, "--body-weight"},
                                 {r.D50, "--d50"}, {r.Beta, "--beta"}})
        RequireFitsSingle(value, option);
}

}  // namespace

void ValidateBuildRequest(const BuildRequest& r) {
    ValidateModeOptions(r);
    RequireHours(r.InjectionHours, "--injection-hours");
    RequireHours(r.MaxHours, "--max-hours");
    Require(std::isfinite(r.MassFlow) && r.MassFlow >= 0.5 &&
                r.MassFlow < static_cast<double>(std::numeric_limits<std::int32_t>::max()),
            "--mass-flow must be a positive number of mg/min that rounds to a 32-bit whole number" + Got(r.MassFlow));
    Require(std::isfinite(r.Sensitivity) && r.Sensitivity >= 0,
            "--sensitivity must be zero or a positive number of mg/L" + Got(r.Sensitivity));
    RequireFitsSingle(r.Sensitivity, "--sensitivity");
    RequirePositive(r.PerCapita, "--per-capita");
    RequireFitsSingle(r.PerCapita, "--per-capita");
    if (!r.NoZ2) ValidateZ2Options(r);
    if (r.Threads)
        Require(*r.Threads >= 1 && *r.Threads <= kMaxThreads,
                "--threads must be from 1 to " + std::to_string(kMaxThreads) + Got(*r.Threads));
}

void ApplyRunParameters(const BuildRequest& r) {
    using namespace builder;
    EventMode = static_cast<std::int32_t>(r.Mode);
    RepeatCount = r.RepeatCount;
    nRandomEvents = r.RandomEvents;
    nInjectionsPerEvent = r.Injections;
    InjectionDuration = r.InjectionHours;
    InjectionMassFlow = ToInt32(r.MassFlow);
    MaxSimDuration = r.MaxHours;
    DetectionSensitivity = static_cast<float>(r.Sensitivity);
    NoZ2 = r.NoZ2;
    IngestionRate = static_cast<float>(r.IngestionRate);
    BodyWeight = static_cast<float>(r.BodyWeight);
    D50 = static_cast<float>(r.D50);
    Beta = static_cast<float>(r.Beta);
    PerCapitaConsumption = static_cast<float>(r.PerCapita);
}

std::int32_t ExpectedEventCount(EventModeChoice mode, std::int32_t nNodes, std::int32_t qualStep,
                                std::int32_t repeatCount, std::int32_t randomEvents) {
    try {
        return builder::ExpectedEventCount(static_cast<std::int32_t>(mode), nNodes, qualStep, repeatCount, randomEvents);
    } catch (const builder::BuildError& e) {
        throw InputError(e.what());
    }
}

}  // namespace tesmar
