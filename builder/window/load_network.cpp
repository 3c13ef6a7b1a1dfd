#include "builder/window/load_network.h"

#include <exception>

#include "network/program_folder.h"

namespace builder::window {

namespace {

constexpr const char* kTerminates = " - program will terminate";

}  // namespace

std::string ExampleNetworkPath(const std::string& programFolder, int network) {
    const std::string n = std::to_string(network);
    return programFolder + "/Networks/Example" + n + "/Network_" + n + ".inp";
}

bool ExampleSizeAccepted(int network, std::int64_t size) {
    if (network == 1) return size == 45063;
    return size == 2307252 || size == 3299022;
}

NetworkLoad OpenExampleNetwork(const std::string& programFolder, int network, const network::SharedToolkit& toolkit) {
    NetworkLoad load;
    const std::string path = ExampleNetworkPath(programFolder, network);
    if (!ExampleSizeAccepted(network, network::FileSize(path))) {
        load.Message = "Problem with input file - program will terminate";
        return load;
    }
    try {
        load.Net = network::LoadNetwork(path, toolkit);
    } catch (const std::exception& e) {
        load.Message = e.what() + std::string(kTerminates);
        return load;
    }
    const auto flow = FlowFactorsOf(load.Net.FlowUnits);
    if (!flow) {
        load.Message = "The network's flow units (" + FlowUnitsName(load.Net.FlowUnits) +
                       ") are not supported by the builder" + kTerminates;
        return load;
    }
    load.Flow = *flow;
    load.Loaded = true;
    return load;
}

}  // namespace builder::window
