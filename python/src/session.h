// What every call into the libraries shares: the network opened the
// command line's way, and the toolkit bound at import.
#pragma once

#include <string>

#include "network/netload.h"

namespace tesmar::python {

// Opens the network at path (made absolute first) for the command named;
// throws CommandError with the command line's message. The network keeps
// its private copy for the toolkit as long as it lives.
network::Network OpenNetwork(const std::string& path, const std::string& command);

// The toolkit the module bound when it was imported; every call uses it.
const network::SharedToolkit& ModuleToolkit();
// Binds the toolkit beside the module, once, at import.
void BindModuleToolkit();

}  // namespace tesmar::python
