#include "builder/window/load_network.h"

#include <exception>

#include "builder/driver.h"
#include "builder/run_parameters.h"
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

NetworkLoad OpenExampleNetwork(const std::string& programFolder, int network) {
    NetworkPath = ExampleNetworkPath(programFolder, network);
    if (!ExampleSizeAccepted(network, network::FileSize(NetworkPath)))
        return {false, "Problem with input file - program will terminate"};
    try {
        LoadNetworkForBuild(NetworkPath);
    } catch (const std::exception& e) {
        return {false, e.what() + std::string(kTerminates)};
    }
    return {true, {}};
}

}  // namespace builder::window
