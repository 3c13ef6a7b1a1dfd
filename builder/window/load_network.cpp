#include "builder/window/load_network.h"

#include <exception>

#include "network/example_networks.h"
#include "network/solving_copy.h"

namespace builder::window {

namespace {

constexpr const char* kTerminates = " - program will terminate";

}  // namespace

NetworkLoad OpenExampleNetwork(const std::string& programFolder, int number, const network::SharedToolkit& toolkit) {
    NetworkLoad load;
    const network::ExampleNetwork& example = network::Example(number);
    const std::string path = network::ExampleNetworkPath(programFolder, example);
    if (!network::AcceptedExampleFile(path, example.builderSizes)) {
        load.Message = "Problem with input file - program will terminate";
        return load;
    }
    try {
        load.Net = network::LoadNetwork(path, toolkit, network::TemporaryFolder());
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
