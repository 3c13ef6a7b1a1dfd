#include <nanobind/stl/filesystem.h>
#include <nanobind/stl/map.h>
#include <nanobind/stl/pair.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "bindings.h"
#include "builder/flow_units.h"
#include "command_error.h"
#include "network/map_geometry.h"
#include "session.h"

namespace nb = nanobind;

namespace tesmar::python {

namespace {

std::vector<std::string> NodeIds(const network::Network& net) {
    return {net.NodeID.begin() + 1, net.NodeID.begin() + 1 + net.nNodes};
}

const char* KindName(int type) {
    switch (type) {
        case EN_JUNCTION: return "junction";
        case EN_RESERVOIR: return "reservoir";
        case EN_TANK: return "tank";
    }
    return "node";
}

std::vector<std::string> NodeKinds(const network::Network& net) {
    std::vector<std::string> kinds;
    for (std::int32_t node = 1; node <= net.nNodes; ++node)
        kinds.emplace_back(KindName(net.NodeType[static_cast<std::size_t>(node)]));
    return kinds;
}

std::map<std::string, std::int32_t> Counts(const network::Network& net) {
    return {{"nodes", net.nNodes},         {"junctions", net.nJunctions}, {"reservoirs", net.nReservoirs},
            {"tanks", net.nTanks},         {"links", net.nLinks},         {"pipes", net.nPipes + net.nCVPipes},
            {"pumps", net.nPumps},         {"valves", net.nValves}};
}

std::map<std::string, std::int32_t> TimeParameters(const network::Network& net) {
    return {{"duration", net.Duration},         {"hydraulic_step", net.HydStep}, {"quality_step", net.QualStep},
            {"pattern_step", net.PatternStep}, {"pattern_start", net.PatternStart}};
}

std::map<std::string, std::pair<double, double>> Coordinates(const network::Network& net) {
    return Guarded("tesmar", [&] {
        const network::MapGeometry map = network::LoadMapGeometry(net);
        std::map<std::string, std::pair<double, double>> places;
        for (std::int32_t node = 1; node <= net.nNodes; ++node) {
            const network::NodePlace& place = map.nodes[static_cast<std::size_t>(node)];
            if (place.placed) places[net.NodeID[static_cast<std::size_t>(node)]] = {place.x, place.y};
        }
        return places;
    });
}

}  // namespace

void DefineNetwork(nb::module_& m) {
    nb::class_<network::Network>(m, "Network",
                                 "A network file read by the simulation toolkit, as tesmar's commands read it.")
        .def("__init__",
             [](network::Network* self, const std::filesystem::path& path) {
                 new (self) network::Network(OpenNetwork(path.string(), "tesmar"));
             },
             nb::arg("path"),
             "Reads the network file (.inp). Raises tesmar.InputError with the command line's message when the file "
             "cannot be read or the toolkit rejects it.")
        .def_prop_ro("path", [](const network::Network& n) { return n.path; }, "The network file, absolute.")
        .def_prop_ro("node_ids", &NodeIds, "The node IDs in the toolkit's order (the matrices' columns).")
        .def_prop_ro("node_kinds", &NodeKinds, "'junction', 'reservoir' or 'tank' for every node, in node order.")
        .def_prop_ro("counts", &Counts, "Numbers of nodes, junctions, reservoirs, tanks, links, pipes, pumps, valves.")
        .def_prop_ro("coordinates", &Coordinates, "Node ID -> (x, y) for the nodes the file places on its map.")
        .def_prop_ro("time_parameters", &TimeParameters,
                     "Duration, hydraulic, quality and pattern steps and pattern start, in seconds.")
        .def_prop_ro("flow_units", [](const network::Network& n) { return builder::FlowUnitsName(n.FlowUnits); },
                     "The flow units the file uses ('GPM', 'LPS', ...).")
        .def("__len__", [](const network::Network& n) { return n.nNodes; })
        .def("__repr__", [](const network::Network& n) {
            return "tesmar.Network('" + n.path + "', " + std::to_string(n.nNodes) + " nodes, " +
                   std::to_string(n.nLinks) + " links)";
        });
}

}  // namespace tesmar::python
