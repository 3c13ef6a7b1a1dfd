#include "builder/event_project.h"

#include "builder/baseline.h"
#include "builder/study_analysis.h"

namespace builder {

void OpenEventProject(network::Project& project, const network::Network& net, const RunParameters& parameters,
                      std::vector<int>* warnings) {
    if (warnings) project.AcceptWarnings(warnings);
    net.OpenToSolve(project);
    SetStudyAnalysis(project, net, parameters);
    project.SetTimeParam(EN_DURATION, DurationSeconds(parameters.MaxSimDuration));
    for (int n = 1; n <= net.nNodes; ++n) {
        project.SetNodeValue(n, EN_SOURCETYPE, EN_MASS);
        project.SetNodeValue(n, EN_SOURCEQUAL, 0.0);
    }
    project.SolveH();
}

}  // namespace builder
