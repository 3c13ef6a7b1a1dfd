#include "cluster/preparation.h"

#include <exception>


namespace cluster {

Preparation::Preparation(const network::Network& net, const builder::BuildDescription& description,
                         std::optional<builder::ValidatedBuild> validated)
    : validated_(validated), thread_([this, &net, &description] { Prepare(net, description); }) {}

Preparation::~Preparation() { thread_.join(); }

void Preparation::Prepare(const network::Network& net, const builder::BuildDescription& description) {
    try {
        if (!validated_) validated_ = builder::ValidateBuild(net, description.parameters);
        baseline_ = builder::PrepareBaseline(net, description, validated_->Flow(), warnings_);
        transport_ = builder::ChooseTransport(net, description);
    } catch (const std::exception& e) {
        problem_ = e.what();
        if (problem_.empty()) problem_ = "the baseline could not be run";
    }
    finished_ = true;
}

}  // namespace cluster
