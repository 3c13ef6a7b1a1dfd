// Which paths `tesmar report` may write its page to: never the network,
// a file of a matrix set (its own or another's), a lock, or anything that
// is there and is not a regular file.
#pragma once

#include <string>

namespace tesmar {

// Throws InputError saying why `output` must not be replaced. Files are
// compared by identity as well as by name, so a hard link or another
// spelling of a protected path is refused too.
void RequireReplaceableOutput(const std::string& output, const std::string& networkPath);

}  // namespace tesmar
