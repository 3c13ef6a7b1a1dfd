#include "session.h"

#include "command_error.h"
#include "network/scratch_folder.h"
#include "network/workspace.h"
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
        network::Workspace workspace;
        const network::ThreadScratchFolder inWorkspace(workspace);
        return OpenNetworkFile(absolute, ModuleToolkit());
    });
}

}  // namespace tesmar::python
