#include "builder/study_analysis.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace builder {

bool DefinesChemicalInMgPerL(const network::QualityAnalysis& quality) {
    std::string units = quality.units;
    for (char& c : units) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return quality.type == EN_CHEM && units == "mg/l";
}

bool ReplacesAnalysis(const network::Network& net, const RunParameters& parameters) {
    return parameters.ChemicalAnalysis && !DefinesChemicalInMgPerL(net.Quality);
}

void SetStudyAnalysis(network::Project& project, const network::Network& net, const RunParameters& parameters) {
    if (!ReplacesAnalysis(net, parameters)) return;
    project.SetChemicalAnalysis();
    for (int n = 1; n <= net.nNodes; ++n) project.SetNodeValue(n, EN_INITQUAL, 0.0);
}

bool ChemicalReacts(const network::Network& net) {
    network::Project project(*net.toolkit);
    project.Open(net.ToolkitFile());
    std::vector<double> bulk(static_cast<std::size_t>(net.nLinks)), wall(bulk.size());
    project.LinkValues(EN_KBULK, bulk.data());
    project.LinkValues(EN_KWALL, wall.data());
    for (std::int32_t link = 1; link <= net.nLinks; ++link) {
        const auto i = static_cast<std::size_t>(link - 1);
        if (project.LinkType(link) <= EN_PIPE && (bulk[i] != 0 || wall[i] != 0)) return true;
    }
    for (std::int32_t node = 1; node <= net.nNodes; ++node)
        if (net.NodeType[static_cast<std::size_t>(node)] == EN_TANK && project.NodeValue(node, EN_TANK_KBULK) != 0)
            return true;
    return false;
}

}  // namespace builder
