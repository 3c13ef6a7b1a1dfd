#include "builder/reference_session.h"

#include "builder/baseline.h"

namespace builder {

using network::Network;
using network::Project;

ReferenceSession::ReferenceSession(const Network& net, const std::string& networkFile, const RunParameters& parameters,
                               bool acceptWarnings)
    : nNodes_(net.nNodes) {
    if (acceptWarnings) project_.AcceptWarnings(&warnings_);
    project_.Open(networkFile);
    project_.SetTimeParam(EN_DURATION, DurationSeconds(parameters.MaxSimDuration));
    for (int n = 1; n <= nNodes_; ++n) {
        project_.SetNodeValue(n, EN_SOURCETYPE, EN_MASS);
        project_.SetNodeValue(n, EN_SOURCEQUAL, 0.0);
    }
    project_.SolveH();
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
