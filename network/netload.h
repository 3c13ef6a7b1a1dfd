// NetLoad: opens a network through the toolkit and keeps its node and link
// tables and time parameters for the rest of the run.
//
// The tables are process-wide and filled once per run; nothing clears them,
// so a process loads at most one network.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "network/keyed_table.h"
#include "network/toolkit.h"

namespace network {

// Counts read from the toolkit.
inline std::int32_t nNodes = 0;
inline std::int32_t nStorage = 0;
inline std::int32_t nLinks = 0;

// NodeID[i] is the ID of toolkit node i, i = 1..nNodes; element 0 is unused.
inline std::vector<std::string> NodeID;

// Element counts and keyed tables, one per kind, plus colNodes for all nodes.
inline std::int32_t nJunctions = 0, nReservoirs = 0, nTanks = 0;
inline std::int32_t nCVPipes = 0, nPipes = 0, nPumps = 0, nValves = 0;
inline KeyedTable colNodes, colJunctions, colReservoirs, colTanks;
inline KeyedTable colCVPipes, colPipes, colPumps, colValves;

// Time parameters in seconds.
inline std::int32_t Duration = 0, HydStep = 0, QualStep = 0, PatternStep = 0, PatternStart = 0;

// Opens the network (the toolkit keeps it open; the caller closes it with
// ENclose), fills the tables and time parameters, and returns ENopen's code.
// Throws DuplicateIdError when two IDs of one table differ only in case.
std::int32_t OpenNetwork(const std::string& inpFile, const std::string& rptFile, const std::string& outFile);

void LoadNetworkTables();
void LoadTimeParameters();

}  // namespace network
