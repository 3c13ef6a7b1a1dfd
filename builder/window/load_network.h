// Opening the chosen example network for a build, free of any window code.
#pragma once

#include <cstdint>
#include <string>

namespace builder::window {

// Path of example network 1 or 2 under the program folder.
std::string ExampleNetworkPath(const std::string& programFolder, int network);

// Whether a file of this size (-1: missing) is the expected example network.
bool ExampleSizeAccepted(int network, std::int64_t size);

// Outcome of opening an example network: Loaded, or the message to show
// before the program ends.
struct NetworkLoad {
    bool Loaded = false;
    std::string Message;
};

// Sets NetworkPath to the example network, checks its size, opens it to fill
// the node table, keyed tables and time parameters, sets the flow factors
// from its flow units and closes it again.
NetworkLoad OpenExampleNetwork(const std::string& programFolder, int network);

}  // namespace builder::window
