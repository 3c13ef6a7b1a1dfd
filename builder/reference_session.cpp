#include "builder/reference_session.h"

#include "builder/baseline.h"
#include "builder/event_project.h"

namespace builder {

using network::Network;
using network::Project;

ReferenceSession::ReferenceSession(const Network& net, const RunParameters& parameters, bool acceptWarnings)
    : project_(*net.toolkit), nNodes_(net.nNodes) {
    OpenEventProject(project_, net, parameters, acceptWarnings ? &warnings_ : nullptr);
}

void ReferenceSession::SetSourceQuality(int node, float strength) {
    // The strength crosses the toolkit interface as a single.
    project_.SetNodeValue(node, EN_SOURCEQUAL, static_cast<double>(strength));
}

void ReferenceSession::OpenQuality() {
    project_.OpenQ();
    project_.InitQ(EN_NOSAVE);
}

void ReferenceSession::ReadQuality(std::vector<float>& concentration) {
    for (int n = 1; n <= nNodes_; ++n)
        concentration[static_cast<std::size_t>(n)] = static_cast<float>(project_.NodeValue(n, EN_QUALITY));
}

}  // namespace builder
