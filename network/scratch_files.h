// The toolkit keeps each project's intermediate hydraulic results in a
// scratch file named "en" plus six letters or digits in the current
// directory (tens of megabytes on a large network) and deletes it when the
// project is closed. A program that ends at once, without closing its
// projects, removes them itself first.
#pragma once

#include <string>

namespace network {

// Whether a file name has the form of the toolkit's scratch files.
bool IsToolkitScratchName(const std::string& fileName);

// Deletes every file in the current directory that this process holds open
// and whose name has the scratch form. Files of other processes are never
// touched. Returns the number deleted.
int RemoveOpenScratchFiles();

}  // namespace network
