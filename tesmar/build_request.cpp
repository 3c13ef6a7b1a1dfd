#include "tesmar/build_request.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/number_text.h"
#include "builder/numbers.h"
#include "builder/validation.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace {

void Require(bool condition, const std::string& message) {
    if (!condition) throw InputError(message);
}

std::string Got(double value) {
    return " (got " + base::GeneralText(value, 10) + ")";
}

void ValidateModeOptions(const BuildRequest& r) {
    const bool random = r.Mode == builder::EventMode::RandomEvents;
    Require(!r.RepeatGiven || r.Mode == builder::EventMode::AllNodesRepeated, "--repeat applies only to --mode repeat");
    Require(!r.RandomEventsGiven || random, "--random-events applies only to --mode random");
    Require(!r.InjectionsGiven || random, "--injections applies only to --mode random");
    Require(r.RepeatCount >= 1, "--repeat must be at least 1" + Got(r.RepeatCount));
    Require(r.RandomEvents >= 1, "--random-events must be at least 1" + Got(r.RandomEvents));
    Require(r.Injections >= 1 && r.Injections <= kMaxInjectionsPerEvent,
            "--injections must be from 1 to " + std::to_string(kMaxInjectionsPerEvent) + Got(r.Injections));
}

// The option that sets a run parameter, and the value given for it.
std::pair<const char*, double> Option(const BuildRequest& r, builder::Parameter parameter) {
    using builder::Parameter;
    switch (parameter) {
        case Parameter::MaxSimDuration: return {"--max-hours", r.MaxHours};
        case Parameter::InjectionDuration: return {"--injection-hours", r.InjectionHours};
        case Parameter::InjectionMassFlow: return {"--mass-flow", r.MassFlow};
        case Parameter::DetectionSensitivity: return {"--sensitivity", r.Sensitivity};
        case Parameter::PerCapitaConsumption: return {"--per-capita", r.PerCapita};
        case Parameter::IngestionRate: return {"--ingestion-rate", r.IngestionRate};
        case Parameter::BodyWeight: return {"--body-weight", r.BodyWeight};
        case Parameter::D50: return {"--d50", r.D50};
        case Parameter::Beta: return {"--beta", r.Beta};
    }
    return {"an option", 0};
}

}  // namespace

void ValidateBuildRequest(const BuildRequest& r) {
    ValidateModeOptions(r);
    Require(std::isfinite(r.MassFlow) && std::fabs(r.MassFlow) < std::numeric_limits<std::int32_t>::max(),
            "--mass-flow must be a number of mg/min that rounds to a 32-bit whole number" + Got(r.MassFlow));
    RequireThreadCount(r.Threads);
    try {
        builder::ValidateRunParameters(ToRunParameters(r));
    } catch (const builder::ParameterError& e) {
        throw InputError(ParameterMessage(r, e.parameter, e.requirement));
    }
}

std::string ParameterMessage(const BuildRequest& r, builder::Parameter parameter, const std::string& requirement) {
    const auto [option, value] = Option(r, parameter);
    return std::string(option) + " " + requirement + Got(value);
}

namespace {

// A single of the value; values beyond its range become an infinity of their
// sign, which no check accepts, rather than an undefined conversion.
float ToSingle(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

}  // namespace

builder::RunParameters ToRunParameters(const BuildRequest& r) {
    builder::RunParameters p;
    p.Mode = r.Mode;
    p.RepeatCount = r.RepeatCount;
    p.nRandomEvents = r.RandomEvents;
    p.nInjectionsPerEvent = r.Injections;
    p.InjectionDuration = r.InjectionHours;
    p.InjectionMassFlow = builder::ToInt32(r.MassFlow);
    p.MaxSimDuration = r.MaxHours;
    p.DetectionSensitivity = ToSingle(r.Sensitivity);
    p.NoZ2 = r.NoZ2;
    p.IngestionRate = ToSingle(r.IngestionRate);
    p.BodyWeight = ToSingle(r.BodyWeight);
    p.D50 = ToSingle(r.D50);
    p.Beta = ToSingle(r.Beta);
    p.PerCapitaConsumption = ToSingle(r.PerCapita);
    p.ChemicalAnalysis = r.Chemical;
    return p;
}

}  // namespace tesmar
