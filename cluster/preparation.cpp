#include "cluster/preparation.h"

#include <exception>

#include "builder/validation.h"

namespace cluster {

Preparation::Preparation(const network::Network& net, const builder::RunParameters& parameters)
    : thread_([this, &net, &parameters] { Prepare(net, parameters); }) {}

Preparation::~Preparation() { thread_.join(); }

void Preparation::Prepare(const network::Network& net, const builder::RunParameters& parameters) {
    try {
        flow_ = builder::ValidateBuild(net, parameters);
        baseline_ = builder::RunBaseline(net, net.ToolkitFile(), parameters, flow_);
    } catch (const std::exception& e) {
        problem_ = e.what();
        if (problem_.empty()) problem_ = "the baseline could not be run";
    }
    finished_ = true;
}

}  // namespace cluster
