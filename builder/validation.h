// The checks a build passes before any matrix file is touched.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "builder/baseline.h"
#include "builder/build_error.h"
#include "builder/flow_units.h"
#include "builder/run_parameter_table.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

// The name a user of the window knows a parameter by ("Assumed body weight").
std::string ParameterLabel(Parameter parameter);

// A run parameter a build cannot take: which one, what it must be
// ("must be positive") and the value it had.
class ParameterError : public BuildError {
public:
    ParameterError(Parameter parameter, std::string requirement, double value);
    Parameter parameter;
    std::string requirement;
    double value;
};

// The network defines another analysis than the chemical in mg/L a build needs.
class AnalysisError : public BuildError {
public:
    using BuildError::BuildError;
};

// A network and run parameters that passed every check a build makes
// before it touches a file, with the network's flow factors. Only the checks
// make one, so a build handed one does not check again.
class ValidatedBuild {
public:
    const FlowFactors& Flow() const { return flow_; }
    operator const FlowFactors&() const { return flow_; }

private:
    explicit ValidatedBuild(const FlowFactors& flow) : flow_(flow) {}
    friend ValidatedBuild ValidateBuild(const network::Network& net, const RunParameters& parameters);
    friend ValidatedBuild ValidateNetworkFor(const network::Network& net, const RunParameters& parameters);

    FlowFactors flow_;
};

// Throws ParameterError for the first run parameter a build cannot take, in
// the table's check order (those unused without Z2 last).
void ValidateRunParameters(const RunParameters& parameters);

// Checks the network and the run parameters, the network first. Throws
// BuildError (ParameterError for a run parameter) naming the first problem.
ValidatedBuild ValidateBuild(const network::Network& net, const RunParameters& parameters);

// The checks of ValidateBuild but those of ValidateRunParameters, for run
// parameters that passed it already. Throws BuildError.
ValidatedBuild ValidateNetworkFor(const network::Network& net, const RunParameters& parameters);

// Checks what the baseline run derived from the parameters (populations
// overflow with a vanishing per capita consumption). Throws ParameterError.
void ValidateBaseline(const Baseline& baseline, const RunParameters& parameters);

}  // namespace builder
