#include "builder/project_session.h"

#include <algorithm>

#include "builder/baseline.h"
#include "builder/event_project.h"
#include "builder/numbers.h"

namespace builder {

using network::Network;
using network::Project;

ProjectSession::ProjectSession(const Network& net, const RunParameters& parameters, bool acceptWarnings)
    : project_(*net.toolkit), qualStep_(net.QualStep) {
    // Concurrent projects must not share report or output files: the report
    // is discarded and the binary output goes to the toolkit's own scratch file.
    OpenEventProject(project_, net, parameters, acceptWarnings ? &warnings_ : nullptr);
    values_.assign(static_cast<std::size_t>(net.nNodes), 0.0);
    linkValues_.assign(static_cast<std::size_t>(net.nLinks), 0.0);
    RunBackground();
}

// The same quality stepping as an event's, with every source off. Events
// switch their first source on within the first day, so the run stops there;
// later steps are never skipped.
void ProjectSession::RunBackground() {
    const long qualStep = qualStep_;
    constexpr long firstDay = 24L * 3600;
    OpenQuality();
    long t = 0, tleft = 0;
    do {
        t = RunQ();
        if (t % qualStep == 0) {
            const auto s = static_cast<std::size_t>(t / qualStep);
            project_.NodeValues(EN_QUALITY, values_.data());
            const bool clean = AllZero(values_);
            if (cleanSteps_.size() <= s) cleanSteps_.resize(s + 1, false);
            cleanSteps_[s] = clean;
        }
        tleft = StepQ();
    } while (tleft != 0 && t < firstDay);
    CloseQuality();
}

void ProjectSession::BeginEvent() {
    for (int node : switchedOn_) project_.SetNodeValue(node, EN_SOURCEQUAL, 0.0);
    switchedOn_.clear();
}

void ProjectSession::SetSourceQuality(int node, float strength) {
    // The value crosses the toolkit interface as a single, as in the single-project interface.
    project_.SetNodeValue(node, EN_SOURCEQUAL, static_cast<double>(strength));
    if (strength != 0.0f && std::find(switchedOn_.begin(), switchedOn_.end(), node) == switchedOn_.end())
        switchedOn_.push_back(node);
}

void ProjectSession::OpenQuality() {
    project_.OpenQ();
    project_.InitQ(EN_NOSAVE);
}

void ProjectSession::ReadQuality(std::vector<float>& concentration) {
    project_.NodeValues(EN_QUALITY, values_.data());
    for (std::size_t n = 1; n < concentration.size(); ++n) concentration[n] = static_cast<float>(values_[n - 1]);
}

bool ProjectSession::CarriesNoContaminant() {
    if (!AllZero(values_)) return false;
    project_.LinkValues(EN_LINKQUAL, linkValues_.data());
    return AllZero(linkValues_);
}

}  // namespace builder
