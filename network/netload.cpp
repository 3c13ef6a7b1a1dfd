#include "network/netload.h"

#include "network/program_folder.h"

namespace network {

namespace {

std::string FetchId(int (*get)(int, char*), int index) {
    char buffer[kMaxIdLength + 1] = {};
    get(index, buffer);
    buffer[kMaxIdLength] = '\0';
    return buffer;
}

void AddLink(int type, const std::string& id, int index) {
    switch (type) {
        case EN_CVPIPE: ++nCVPipes; colCVPipes.Add(id, index); break;
        case EN_PIPE: ++nPipes; colPipes.Add(id, index); break;
        case EN_PUMP: ++nPumps; colPumps.Add(id, index); break;
        default: ++nValves; colValves.Add(id, index); break;
    }
}

void AddNodeOfKind(int type, const std::string& id, int index) {
    switch (type) {
        case EN_JUNCTION: ++nJunctions; colJunctions.Add(id, index); break;
        case EN_RESERVOIR: ++nReservoirs; colReservoirs.Add(id, index); break;
        case EN_TANK: ++nTanks; colTanks.Add(id, index); break;
        default: break;
    }
}

}  // namespace

std::int32_t OpenNetwork(const std::string& inpFile, const std::string& rptFile, const std::string& outFile) {
    EnsureWritableWorkingDirectory();
    std::int32_t code = ENopen(inpFile, rptFile, outFile);
    LoadNetworkTables();
    LoadTimeParameters();
    return code;
}

void LoadNetworkTables() {
    // With no network open the toolkit fails these calls; the counts stay 0.
    int count = 0;
    nNodes = ENgetcount(EN_NODECOUNT, &count) == 0 ? count : 0;
    count = 0;
    nStorage = ENgetcount(EN_TANKCOUNT, &count) == 0 ? count : 0;
    count = 0;
    nLinks = ENgetcount(EN_LINKCOUNT, &count) == 0 ? count : 0;

    NodeID.assign(static_cast<std::size_t>(nNodes) + 1, std::string());

    for (int i = 1; i <= nLinks; ++i) {
        int type = 0;
        ENgetlinktype(i, &type);
        AddLink(type, FetchId(&ENgetlinkid, i), i);
    }
    for (int j = 1; j <= nNodes; ++j) {
        int type = 0;
        ENgetnodetype(j, &type);
        std::string id = FetchId(&ENgetnodeid, j);
        NodeID[static_cast<std::size_t>(j)] = id;
        colNodes.Add(id, j);
        AddNodeOfKind(type, id, j);
    }
}

void LoadTimeParameters() {
    std::int32_t* targets[] = {&Duration, &HydStep, &QualStep, &PatternStep, &PatternStart};
    for (int code = EN_DURATION; code <= EN_PATTERNSTART; ++code) {
        long value = 0;
        ENgettimeparam(code, &value);
        *targets[code] = static_cast<std::int32_t>(value);
    }
}

}  // namespace network
