// What every call into the libraries shares: the private folder where the
// toolkit keeps its scratch files while the call runs (the command line's
// own, so nothing is left in the user's folder), and the network opened
// the command line's way.
#pragma once

#include <string>

#include "network/netload.h"

namespace tesmar::python {

// Opens the network at path (made absolute first) for the command named;
// throws CommandError with the command line's message. Its private copy for
// the toolkit is gone when this returns (it lives in the call's workspace):
// a call that runs the toolkit opens the network again in its own.
network::Network OpenNetwork(const std::string& path, const std::string& command);

// The toolkit the module bound when it was imported; every call uses it.
const network::SharedToolkit& ModuleToolkit();
// Binds the toolkit beside the module, once, at import.
void BindModuleToolkit();

}  // namespace tesmar::python
