// The tesmar program: its command line and the dispatch to the commands.
#pragma once

#include <iosfwd>

namespace tesmar {

// Parses the command line, runs the chosen command and returns the exit
// code. Results go to out, messages and progress to err.
int RunTesmar(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Same on the process's standard streams.
int RunTesmar(int argc, char** argv);

}  // namespace tesmar
