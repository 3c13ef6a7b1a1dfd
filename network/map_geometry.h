// Where a network's elements lie on its map, as the network file's
// [COORDINATES] and [VERTICES] give them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "network/netload.h"

namespace network {

struct NodePlace {
    bool placed = false;  // the network gives the node coordinates
    double x = 0, y = 0;
};

struct LinkPlace {
    std::string id;
    int type = EN_PIPE;          // the toolkit's link type
    int from = 0, to = 0;        // node indexes, from 1
    std::vector<std::pair<double, double>> vertices;  // interior points, from -> to
};

struct MapGeometry {
    std::vector<NodePlace> nodes;  // [1..nNodes]; element 0 unused
    std::vector<LinkPlace> links;  // in toolkit order
};

// Reads the map of a loaded network through the toolkit. Throws ToolkitError.
MapGeometry LoadMapGeometry(const Network& net);

}  // namespace network
