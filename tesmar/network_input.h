// Opening the network a command works on, with a clear message for every
// way it can fail, before any matrix file is touched.
#pragma once

#include <string>

namespace tesmar {

// The network file as an absolute path: the toolkit may move the current
// directory to a writable scratch folder when it opens a network.
std::string AbsoluteNetworkPath(const std::string& file);

// Throws InputError unless the file is a regular file this process can read.
void RequireReadableFile(const std::string& path, const std::string& what);

// Loads the network's tables and time parameters through the toolkit and
// closes it again, as the windows do. With flowUnits, also sets the
// builder's flow factors. Throws InputError naming the problem: an unreadable
// file, the toolkit's rejection (code and text), IDs that differ only in
// letter case, or flow units the builder cannot use.
void LoadNetwork(const std::string& path, bool flowUnits);

}  // namespace tesmar
