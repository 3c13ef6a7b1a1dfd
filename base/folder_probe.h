// Finding out early whether a folder takes new files.
#pragma once

#include <string>

namespace base {

// Creates a hidden file in folder (the current folder when empty) and
// removes it again; false with errno set when the file cannot be created.
bool FolderTakesFiles(const std::string& folder);

}  // namespace base
