#include "builder/validation.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "base/number_text.h"
#include "builder/events.h"
#include "builder/study_analysis.h"
#include "base/user_text.h"

namespace builder {

namespace {

void Require(bool condition, const std::string& message) {
    if (!condition) throw BuildError(message);
}

void Require(bool condition, Parameter parameter, const std::string& requirement, double value) {
    if (!condition) throw ParameterError(parameter, requirement, value);
}

std::string Shown(double value) {
    return base::GeneralText(value, 9);
}

// The analysis the measures assume: a chemical whose concentrations are in
// mg/L (the sensitivity, the doses and the volume threshold are in mg/L).
void ValidateQuality(const network::QualityAnalysis& quality) {
    if (DefinesChemicalInMgPerL(quality)) return;
    std::string defined;
    switch (quality.type) {
        case EN_NONE: defined = "no water-quality analysis"; break;
        case EN_AGE: defined = "a water-age analysis"; break;
        case EN_TRACE: defined = "a source-trace analysis"; break;
        case EN_CHEM: defined = "a chemical analysis in " + quality.units; break;
        default: defined = "an unknown water-quality analysis (" + std::to_string(quality.type) + ")"; break;
    }
    throw AnalysisError("The network defines " + defined +
                     "; the builder needs a chemical analysis in mg/L (\"Quality Chemical mg/L\" in its [OPTIONS])");
}

void ValidateNetwork(const network::Network& net, const RunParameters& p) {
    Require(net.QualStep > 0, "The network's water-quality time step is not positive");
    if (!p.ChemicalAnalysis) ValidateQuality(net.Quality);
    Require(net.nNodes > 0, "The network has no nodes");
    for (std::int32_t n = 1; n <= net.nNodes; ++n)
        Require(net.NodeID[static_cast<std::size_t>(n)].find('"') == std::string::npos,
                "The node ID " + base::ShownText(net.NodeID[static_cast<std::size_t>(n)]) +
                    " contains a double quote, which the matrix files cannot hold");
}

// The build's checks of the table's entries that the run uses: those for
// the people affected, or the others.
void RequireEntries(const RunParameters& p, bool doseResponse) {
    for (const RunParameterEntry* entry : EntriesInCheckOrder()) {
        if (!CheckedByBuild(*entry) || entry->doseResponse != doseResponse) continue;
        const double value = ValueOf(*entry, p);
        Require(Meets(entry->requirement, value), entry->id, RequirementText(entry->requirement), value);
    }
}

}  // namespace

std::string ParameterLabel(Parameter parameter) { return EntryOf(parameter).name; }

ParameterError::ParameterError(Parameter p, std::string r, double v)
    : BuildError(ParameterLabel(p) + " " + r + " (got " + Shown(v) + ")"), parameter(p), requirement(std::move(r)),
      value(v) {}

void ValidateRunParameters(const RunParameters& p) {
    RequireEntries(p, false);
    // Without a positive ingestion rate, body weight and D50 the dose has no
    // logarithm and the dose-response model is undefined.
    if (!p.NoZ2) RequireEntries(p, true);
}

void ValidateBaseline(const Baseline& baseline, const RunParameters& p) {
    for (std::int32_t n = 1; n <= baseline.nNodes; ++n) {
        const auto i = static_cast<std::size_t>(n);
        if (std::isfinite(baseline.DailyVolume[i]) && std::isfinite(baseline.VolumePerMinute[i]) &&
            std::isfinite(baseline.Population[i]))
            continue;
        throw ParameterError(Parameter::PerCapitaConsumption,
                             "is too small: the population served by node " + std::to_string(n) +
                                 " is beyond the single-precision range",
                             p.PerCapitaConsumption);
    }
}

namespace {

// The network's own checks; its flow factors.
FlowFactors ValidateNetworkAndUnits(const network::Network& net, const RunParameters& p) {
    ValidateNetwork(net, p);
    const auto flow = FlowFactorsOf(net.FlowUnits);
    Require(flow.has_value(),
            "The network's flow units (" + FlowUnitsName(net.FlowUnits) + ") are not supported by the builder");
    return *flow;
}

// What the run parameters ask of this network.
void ValidateFit(const network::Network& net, const RunParameters& p) {
    // The toolkit refuses the last quality step of a run that does not end on one.
    Require(static_cast<std::int64_t>(p.MaxSimDuration) * 3600 % net.QualStep == 0,
            "The simulated time (" + std::to_string(p.MaxSimDuration) +
                " h) is not a whole number of the network's water-quality steps (" + std::to_string(net.QualStep) +
                " s); choose a simulated time that is");
    const std::int64_t events = EventCount(net, p);
    Require(events <= std::numeric_limits<std::int32_t>::max(),
            "The number of events (" + std::to_string(events) + ") does not fit a 32-bit integer");
}

}  // namespace

ValidatedBuild ValidateBuild(const network::Network& net, const RunParameters& p) {
    const FlowFactors flow = ValidateNetworkAndUnits(net, p);
    ValidateRunParameters(p);
    ValidateFit(net, p);
    return ValidatedBuild(flow);
}

ValidatedBuild ValidateNetworkFor(const network::Network& net, const RunParameters& p) {
    const FlowFactors flow = ValidateNetworkAndUnits(net, p);
    ValidateFit(net, p);
    return ValidatedBuild(flow);
}

}  // namespace builder
