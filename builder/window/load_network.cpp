#include "builder/window/load_network.h"

#include <exception>
#include <stdexcept>

#include "builder/run_parameters.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "network/toolkit.h"

namespace builder::window {

namespace {

constexpr const char* kTerminates = " - program will terminate";

// Closes the toolkit project whatever state it is in; the result does not matter.
void CloseQuietly() {
    try {
        network::ENclose();
    } catch (const std::exception&) {
    }
}

// Opens the network and reads its flow units; throws on any failure.
void OpenAndReadFlowUnits(const std::string& path) {
    network::Check(network::OpenNetwork(path, "rep.dat", "out.dat"), "ENopen");
    int units = -1;
    network::Check(network::ENgetflowunits(&units), "ENgetflowunits");
    if (!SetFlowFactors(units))
        throw std::runtime_error("The network's flow units (" + FlowUnitsName(units) +
                                 ") are not supported by the builder");
}

}  // namespace

std::string ExampleNetworkPath(const std::string& programFolder, int network) {
    const std::string n = std::to_string(network);
    return programFolder + "/Networks/Example" + n + "/Network_" + n + ".inp";
}

bool ExampleSizeAccepted(int network, std::int64_t size) {
    if (network == 1) return size == 45063;
    return size == 2307252 || size == 3299022;
}

NetworkLoad OpenExampleNetwork(const std::string& programFolder, int network) {
    NetworkPath = ExampleNetworkPath(programFolder, network);
    if (!ExampleSizeAccepted(network, network::FileSize(NetworkPath)))
        return {false, "Problem with input file - program will terminate"};
    try {
        OpenAndReadFlowUnits(NetworkPath);
    } catch (const std::exception& e) {
        CloseQuietly();
        return {false, e.what() + std::string(kTerminates)};
    }
    CloseQuietly();
    return {true, {}};
}

}  // namespace builder::window
