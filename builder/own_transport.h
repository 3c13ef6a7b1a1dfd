// The choice of a build's water-quality solver, made once the build has
// been checked: Tesmar's own transport engine with the data its workers
// share, or the toolkit's solver, and why.
#pragma once

#include <memory>
#include <string>

#include "builder/build.h"
#include "transport/shared_transport.h"

namespace builder {

struct TransportChoice {
    std::string engine = "toolkit";  // as the manifest records it
    std::string fallbackReason;      // why the own engine was asked for and not used
    std::unique_ptr<transport::SharedTransport> shared;  // set for the own engine
};

// Prepares the own engine when the description asks for it and the
// network allows it. Throws transport::MemoryRefusal when its shared data
// would not fit in memory.
TransportChoice ChooseTransport(const network::Network& net, const BuildDescription& description);

}  // namespace builder
