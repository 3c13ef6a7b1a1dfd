// Opening the network a command works on, with a clear message for every
// way it can fail, before any matrix file is touched.
#pragma once

#include <string>

#include "network/netload.h"

namespace tesmar {

// The network file as an absolute path, the name every file of its set is
// made from.
std::string AbsoluteNetworkPath(const std::string& file);

// Throws InputError unless the file is a regular file this process can read.
void RequireReadableFile(const std::string& path, const std::string& what);

// Loads the network's tables and time parameters through the toolkit; its
// hydraulics are solved with the results kept in the system's temporary folder.
// Throws InputError naming the problem: an unreadable file, the toolkit's
// rejection (code and text), or IDs that differ only in letter case.
network::Network OpenNetworkFile(const std::string& path, const network::SharedToolkit& toolkit);

}  // namespace tesmar
