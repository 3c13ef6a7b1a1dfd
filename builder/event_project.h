// The toolkit project an event runs in: the network opened for the build's
// simulated time, every node a mass source of strength zero, and its
// hydraulics solved.
#pragma once

#include <string>
#include <vector>

#include "builder/run_parameters.h"
#include "network/netload.h"
#include "network/project.h"

namespace builder {

// Sets up project for events of the build. With warnings, the toolkit's
// warnings about the hydraulics are accepted and collected there; without,
// they fail as errors.
void OpenEventProject(network::Project& project, const network::Network& net, const RunParameters& parameters,
                      std::vector<int>* warnings);

}  // namespace builder
