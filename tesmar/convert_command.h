// `tesmar convert`: the binary form of an existing text matrix set.
#pragma once

#include <iosfwd>
#include <string>
#include "network/toolkit.h"

namespace tesmar {

struct ConvertRequest {
    std::string NetworkFile;
};

// Writes NETWORK.inp.zk.npy for the text files beside the network and
// returns the exit code; the files written go to out, messages to err.
int RunConvertCommand(const ConvertRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err);

}  // namespace tesmar
