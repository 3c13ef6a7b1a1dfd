#include "builder/own_transport.h"

#include "builder/event_project.h"

namespace builder {

TransportChoice ChooseTransport(const network::Network& net, const BuildDescription& description) {
    TransportChoice choice;
    if (description.engine != TransportEngine::Own || description.reference) return choice;
    std::vector<int> warnings;
    network::Project project(*net.toolkit);
    OpenEventProject(project, net, description.parameters, &warnings);
    transport::TransportPreparation prep = transport::PrepareTransport(
        project, description.transportMemoryLimit ? description.transportMemoryLimit : transport::AvailableMemory());
    if (!prep.fallbackReason.empty()) {
        choice.fallbackReason = prep.fallbackReason;
        return choice;
    }
    choice.engine = "own";
    choice.shared = std::make_unique<transport::SharedTransport>(std::move(prep.shared));
    return choice;
}

}  // namespace builder
