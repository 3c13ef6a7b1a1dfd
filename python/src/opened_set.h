// A matrix set opened from Python: the network it belongs to and the set
// as the command line loads it, with the notes the command line would print.
#pragma once

#include <string>
#include <vector>

#include "network/netload.h"
#include "tesmar/set_input.h"

namespace tesmar::python {

struct OpenedSet {
    network::Network net;
    SetInput input;
    std::vector<std::string> notes;
};

}  // namespace tesmar::python
