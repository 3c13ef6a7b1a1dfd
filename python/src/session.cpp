#include "session.h"

#include "command_error.h"
#include "network/workspace.h"
#include "tesmar/network_input.h"

namespace tesmar::python {

network::Network OpenNetwork(const std::string& path, const std::string& command) {
    return Guarded(command, [&] {
        const std::string absolute = AbsoluteNetworkPath(path);
        network::Workspace workspace;
        return OpenNetworkFile(absolute);
    });
}

}  // namespace tesmar::python
