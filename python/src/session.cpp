#include "session.h"

#include "command_error.h"
#include "tesmar/network_input.h"

namespace tesmar::python {

namespace {

// Set once while the module is imported, before any call can run.
network::SharedToolkit boundToolkit;

}  // namespace

void BindModuleToolkit() { boundToolkit = network::LoadToolkit(); }

const network::SharedToolkit& ModuleToolkit() { return boundToolkit; }

network::Network OpenNetwork(const std::string& path, const std::string& command) {
    return Guarded(command, [&] {
        const std::string absolute = AbsoluteNetworkPath(path);
        return OpenNetworkFile(absolute, ModuleToolkit());
    });
}

}  // namespace tesmar::python
