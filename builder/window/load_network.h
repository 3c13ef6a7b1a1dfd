// Opening the chosen example network for a build, free of any window code.
#pragma once

#include <string>

#include "builder/flow_units.h"
#include "network/netload.h"

namespace builder::window {

// Outcome of opening an example network: the network and its flow factors,
// or the message to show before the program ends.
struct NetworkLoad {
    bool Loaded = false;
    std::string Message;
    network::Network Net;
    FlowFactors Flow;
};

// Checks the size of example network 1 or 2's file (see
// network::ExampleNetwork), opens it to read the node table, keyed tables
// and time parameters, and takes the flow factors of its flow units.
NetworkLoad OpenExampleNetwork(const std::string& programFolder, int number, const network::SharedToolkit& toolkit);

}  // namespace builder::window
