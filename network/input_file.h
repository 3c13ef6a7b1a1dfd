// Opening a file the user gave (a network, a candidates file, a matrix)
// for reading: only a regular file is taken, and the open never waits, so
// a FIFO or a device in a file's place cannot hold a program that must be
// able to stop.
#pragma once

#include <stdexcept>
#include <string>

namespace network {

// Why a path cannot be read as an input file, as the end of a message:
// "it is a folder", "it is a FIFO, not a regular file", "it cannot be
// opened: No such file or directory".
class InputFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read-only descriptor of the regular file at `path` (the caller closes
// it), in blocking mode for the reads. Throws InputFileError otherwise.
int OpenInputFile(const std::string& path);

// The whole content of the regular file at `path`.
std::string ReadInputFile(const std::string& path);

}  // namespace network
