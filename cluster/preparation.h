// A process's own preparation for a build: the run parameters checked on
// its network and the baseline run, on a thread of its own so that the
// process keeps answering messages meanwhile.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include <vector>

#include "builder/baseline.h"
#include "builder/build.h"
#include "builder/flow_units.h"
#include "builder/own_transport.h"
#include "builder/run_parameters.h"
#include "builder/validation.h"
#include "network/netload.h"

namespace cluster {

class Preparation {
public:
    // Starts at once; net and description must outlive it. With the checks'
    // outcome for the two, they are not run again.
    Preparation(const network::Network& net, const builder::BuildDescription& description,
                std::optional<builder::ValidatedBuild> validated = std::nullopt);
    // Waits for the thread: the toolkit cannot be interrupted.
    ~Preparation();
    Preparation(const Preparation&) = delete;
    Preparation& operator=(const Preparation&) = delete;

    bool Finished() const { return finished_.load(); }
    // Once finished: why the build cannot run here, or "" when it can.
    const std::string& Problem() const { return problem_; }
    // Once finished without a problem: the baseline and the network's flow factors.
    const builder::Baseline& Baseline() const { return baseline_; }
    const builder::FlowFactors& Flow() const { return validated_->Flow(); }
    // Once finished without a problem: the checks' outcome, for the build.
    const builder::ValidatedBuild& Validated() const { return *validated_; }
    // The toolkit's warnings, when the description accepts them.
    const std::vector<int>& Warnings() const { return warnings_; }
    // The own engine's shared data; none: the events run on the toolkit's solver.
    const transport::SharedTransport* Transport() const { return transport_.shared.get(); }

private:
    void Prepare(const network::Network& net, const builder::BuildDescription& description);

    std::optional<builder::ValidatedBuild> validated_;
    builder::Baseline baseline_;
    std::vector<int> warnings_;
    builder::TransportChoice transport_;
    std::string problem_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace cluster
