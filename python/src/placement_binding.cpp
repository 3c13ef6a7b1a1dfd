#include <sstream>

#include <nanobind/stl/pair.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "bindings.h"
#include "command_error.h"
#include "opened_set.h"
#include "python_calls.h"
#include "session.h"
#include "tesmar/app.h"
#include "tesmar/placement.h"
#include "tesmar/report_command.h"

namespace nb = nanobind;

namespace tesmar::python {

namespace {

// What `tesmar place --json` and `tesmar place` print for the placement.
std::pair<std::string, std::string> Place(const OpenedSet& set, std::vector<std::string> arguments,
                                          nb::object progress) {
    arguments.push_back("--");
    arguments.push_back(set.net.path);
    const PlaceCommandRequest request = Guarded("tesmar place", [&] { return ParsePlaceArguments(arguments); });
    PythonCalls calls(std::move(progress));
    PlacementReport report;
    {
        nb::gil_scoped_release released;
        const optimizer::ProgressCallback watch = [&calls](const optimizer::Progress& p) {
            if (calls.StopRequested()) return false;
            return !calls.Call(StageName(p.stage), p.sensors, p.value, p.bound, p.elapsedSeconds);
        };
        report = Guarded("tesmar place", [&] { return RunPlacement(set.net, set.input, request.Place, watch); });
    }
    calls.RaiseIfAny();
    return {PlacementJson(report), PlacementText(report)};
}

// Runs `tesmar report` with the arguments; returns the page's path.
std::string Report(const OpenedSet& set, const std::string& output, std::vector<std::string> arguments) {
    arguments.push_back("--output=" + output);
    arguments.push_back("--");
    arguments.push_back(set.net.path);
    const ReportRequest request = Guarded("tesmar report", [&] { return ParseReportArguments(arguments); });
    std::ostringstream out, err;
    int code = 0;
    {
        nb::gil_scoped_release released;
        code = Guarded("tesmar report", [&] { return RunReportCommand(request, ModuleToolkit(), out, err); });
    }
    // A partial set's page is written all the same: MatrixSet.partial says so.
    if (code != kSuccess && code != kPartialSet) {
        std::string message = err.str();
        while (!message.empty() && message.back() == '\n') message.pop_back();
        throw CommandError(message.substr(message.rfind('\n') + 1), code == kBadInput);
    }
    return request.Output;
}

}  // namespace

void DefinePlacement(nb::module_& m) {
    m.def("place", &Place, nb::arg("matrix_set"), nb::arg("arguments"), nb::arg("progress") = nb::none(),
          "Runs `tesmar place` on the opened set with the command line's arguments (options only); returns what "
          "it prints with --json and without. progress(stage, sensors, value, bound, seconds) is called now and "
          "then; False from it, or Ctrl-C, stops the search with the best set and bound reached.");
    m.def("report", &Report, nb::arg("matrix_set"), nb::arg("output"), nb::arg("arguments"),
          "Runs `tesmar report` on the set's network with the command line's arguments (options only), writing "
          "the page to output; returns its absolute path.");
}

}  // namespace tesmar::python
