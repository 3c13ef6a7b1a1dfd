// NetLoad: opens a network file through the toolkit and returns what the
// rest of the system needs of it: the node and link tables, the keyed
// tables, the time parameters, the flow units and the quality analysis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "network/keyed_table.h"
#include "network/network_file.h"
#include "network/project.h"

namespace network {

// A loaded network. Node and link indexes are the toolkit's, counted from 1.
struct Network {
    // The toolkit the network was read with; every project of the run opens through it.
    SharedToolkit toolkit;
    std::string path;  // the user's file; the base of the matrix file names
    // The bytes read when the network was loaded, and their private copy
    // that every toolkit project of the run opens.
    std::shared_ptr<const NetworkFile> file;

    std::int32_t nNodes = 0;    // all node kinds
    std::int32_t nStorage = 0;  // tanks and reservoirs
    std::int32_t nLinks = 0;

    // NodeID[i] and NodeType[i] describe toolkit node i, i = 1..nNodes; element 0 is unused.
    std::vector<std::string> NodeID;
    std::vector<int> NodeType;

    std::int32_t nJunctions = 0, nReservoirs = 0, nTanks = 0;
    std::int32_t nCVPipes = 0, nPipes = 0, nPumps = 0, nValves = 0;
    // One keyed table per kind, and colNodes for every node.
    KeyedTable colNodes, colJunctions, colReservoirs, colTanks;
    KeyedTable colCVPipes, colPipes, colPumps, colValves;

    // Time parameters in seconds.
    std::int32_t Duration = 0, HydStep = 0, QualStep = 0, PatternStep = 0, PatternStart = 0;

    int FlowUnits = -1;  // the toolkit's flow-units code
    QualityAnalysis Quality;

    // Where the projects that solve this network's hydraulics keep their
    // results (see SolvingCopy).
    std::string scratchFolder;

    bool IsJunction(std::int32_t node) const { return NodeType[static_cast<std::size_t>(node)] == EN_JUNCTION; }
    // The file a toolkit project that only reads the network opens.
    const std::string& ToolkitFile() const { return file ? file->CopyPath() : path; }
    // Opens the network in project, ready to solve its hydraulics.
    void OpenToSolve(Project& project) const;
};

// Reads the network file once, keeping its bytes in a private copy (see
// NetworkFile); the projects that solve its hydraulics keep their results
// in scratchFolder. Throws std::runtime_error when the file cannot be read or
// copied, ToolkitError when the toolkit cannot read it, and DuplicateIdError
// when two IDs of one table differ only in letter case.
Network LoadNetwork(const std::string& path, SharedToolkit toolkit, std::string scratchFolder);

// Fills the tables and time parameters from a project holding an open network.
Network ReadNetwork(const Project& project, const std::string& path);

}  // namespace network
