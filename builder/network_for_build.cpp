#include <exception>

#include "builder/driver.h"
#include "builder/run_parameters.h"
#include "network/netload.h"
#include "network/toolkit.h"

namespace builder {

namespace {

void ReadFlowFactors() {
    int units = -1;
    network::Check(network::ENgetflowunits(&units), "ENgetflowunits");
    if (!SetFlowFactors(units))
        throw BuildError("The network's flow units (" + FlowUnitsName(units) + ") are not supported by the builder");
}

// Closes the toolkit whatever state it is in; the result does not matter.
void CloseQuietly() {
    try {
        network::ENclose();
    } catch (const std::exception&) {
    }
}

}  // namespace

void LoadNetworkForBuild(const std::string& path) {
    try {
        network::Check(network::OpenNetwork(path, "rep.dat", "out.dat"), "ENopen");
        ReadFlowFactors();
    } catch (...) {
        CloseQuietly();
        throw;
    }
    CloseQuietly();
}

}  // namespace builder
