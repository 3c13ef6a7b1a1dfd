// Opening the chosen example network for a build, free of any window code.
#pragma once

#include <cstdint>
#include <string>

#include "builder/flow_units.h"
#include "network/netload.h"

namespace builder::window {

// Path of example network 1 or 2 under the program folder.
std::string ExampleNetworkPath(const std::string& programFolder, int network);

// Whether a file of this size (-1: missing) is the expected example network.
bool ExampleSizeAccepted(int network, std::int64_t size);

// Outcome of opening an example network: the network and its flow factors,
// or the message to show before the program ends.
struct NetworkLoad {
    bool Loaded = false;
    std::string Message;
    network::Network Net;
    FlowFactors Flow;
};

// Checks the size of the example network's file, opens it to read the
// node table, keyed tables and time parameters, and takes the flow factors
// of its flow units.
NetworkLoad OpenExampleNetwork(const std::string& programFolder, int network, const network::SharedToolkit& toolkit);

}  // namespace builder::window
