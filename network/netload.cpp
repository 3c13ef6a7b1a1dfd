#include "network/netload.h"

#include <stdexcept>

#include "network/quality_units.h"

namespace network {

namespace {

void AddLink(Network& net, int type, const std::string& id, int index) {
    switch (type) {
        case EN_CVPIPE: ++net.nCVPipes; net.colCVPipes.Add(id, index); break;
        case EN_PIPE: ++net.nPipes; net.colPipes.Add(id, index); break;
        case EN_PUMP: ++net.nPumps; net.colPumps.Add(id, index); break;
        default: ++net.nValves; net.colValves.Add(id, index); break;
    }
}

void AddNodeOfKind(Network& net, int type, const std::string& id, int index) {
    switch (type) {
        case EN_JUNCTION: ++net.nJunctions; net.colJunctions.Add(id, index); break;
        case EN_RESERVOIR: ++net.nReservoirs; net.colReservoirs.Add(id, index); break;
        case EN_TANK: ++net.nTanks; net.colTanks.Add(id, index); break;
        default: break;
    }
}

void ReadTables(const Project& project, Network& net) {
    net.nNodes = project.Count(EN_NODECOUNT);
    net.nStorage = project.Count(EN_TANKCOUNT);
    net.nLinks = project.Count(EN_LINKCOUNT);
    for (int i = 1; i <= net.nLinks; ++i) AddLink(net, project.LinkType(i), project.LinkId(i), i);
    const auto slots = static_cast<std::size_t>(net.nNodes) + 1;
    net.NodeID.assign(slots, std::string());
    net.NodeType.assign(slots, -1);
    for (int j = 1; j <= net.nNodes; ++j) {
        const int type = project.NodeType(j);
        std::string id = project.NodeId(j);
        net.colNodes.Add(id, j);
        AddNodeOfKind(net, type, id, j);
        net.NodeType[static_cast<std::size_t>(j)] = type;
        net.NodeID[static_cast<std::size_t>(j)] = std::move(id);
    }
}

void ReadTimes(const Project& project, Network& net) {
    std::int32_t* targets[] = {&net.Duration, &net.HydStep, &net.QualStep, &net.PatternStep, &net.PatternStart};
    for (int code = EN_DURATION; code <= EN_PATTERNSTART; ++code)
        *targets[code] = static_cast<std::int32_t>(project.TimeParam(code));
}

}  // namespace

Network ReadNetwork(const Project& project, const std::string& path) {
    Network net;
    net.path = path;
    ReadTables(project, net);
    ReadTimes(project, net);
    net.FlowUnits = project.FlowUnits();
    net.Quality = project.Quality();
    return net;
}

void Network::OpenToSolve(Project& project) const {
    if (!file) throw std::logic_error("The network " + path + " was not loaded to be solved");
    project.OpenToSolve(file->Text(), scratchFolder);
}

Network LoadNetwork(const std::string& path, SharedToolkit toolkit, std::string scratchFolder) {
    auto file = NetworkFile::Snapshot(path);
    Project project(*toolkit);
    project.Open(file->CopyPath());
    Network net = ReadNetwork(project, path);
    if (net.Quality.type == EN_CHEM)
        if (auto units = DeclaredQualityUnits(file->Text())) net.Quality.units = *units;
    net.file = std::move(file);
    net.toolkit = std::move(toolkit);
    net.scratchFolder = std::move(scratchFolder);
    return net;
}

}  // namespace network
