// The tesmar program: its command line and the dispatch to the commands.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tesmar/build_request.h"
#include "tesmar/place_command.h"
#include "tesmar/report_command.h"

namespace tesmar {

// Parses the command line, runs the chosen command and returns the exit
// code. Results go to out, messages and progress to err.
int RunTesmar(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Same on the process's standard streams.
int RunTesmar(int argc, char** argv);

// The request that a command's arguments (those after its name) make, read
// by the command line's own parser: its option names, defaults and checks,
// paths made absolute. Throws InputError with the message the command line
// prints after "tesmar build: " (or place, report).
BuildRequest ParseBuildArguments(const std::vector<std::string>& arguments);
PlaceCommandRequest ParsePlaceArguments(const std::vector<std::string>& arguments);
ReportRequest ParseReportArguments(const std::vector<std::string>& arguments);

// The long option names of a command ("random-events", "no-z2", ...).
std::vector<std::string> CommandOptionNames(const std::string& command);

}  // namespace tesmar
