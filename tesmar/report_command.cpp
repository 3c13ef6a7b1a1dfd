#include "tesmar/report_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "base/atomic_file.h"
#include "base/folder_probe.h"
#include "evaluator/node_selection.h"
#include "optimizer/request_error.h"
#include "base/user_text.h"
#include "report/render_html.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/placement.h"
#include "tesmar/report_output.h"
#include "tesmar/report_page.h"

namespace tesmar {

namespace {

// The page is written at the end; a folder that cannot take it is found
// before any work.
void RequireWritableFolder(const std::string& output) {
    const std::filesystem::path folder = std::filesystem::path(output).parent_path();
    if (!base::FolderTakesFiles(folder.string()))
        throw InputError("The report cannot be written into " + folder.string() + ": " + std::strerror(errno));
}

std::vector<std::int32_t> GivenSensors(const std::vector<std::string>& ids, const network::Network& net) {
    std::vector<std::string> selected;
    for (const std::string& id : ids)
        if (evaluator::AddSelectedNode(selected, id, net.colNodes) == evaluator::AddOutcome::NoSuchNode)
            throw InputError("--sensors: no such node: '" + base::ShownText(evaluator::TrimmedNodeId(id)) +
                             "' is not a node of " + net.path);
    return evaluator::SelectedNodeIndexes(selected, net.colNodes);
}

ReportSensors ChooseSensors(const ReportRequest& request, const network::Network& net, const SetInput& input) {
    ReportSensors sensors;
    PlaceRequest given;
    given.Objective = request.Objective;
    sensors.measure = MeasureOf(given);
    sensors.alpha = request.Alpha;
    if (!request.Place) {
        sensors.nodes = GivenSensors(request.Sensors, net);
        return sensors;
    }
    PlaceRequest place = *request.Place;
    place.Curve = true;  // the page shows the trade-off up to the count asked for
    sensors.placement = RunPlacement(net, input, place);
    if (sensors.placement->result.placements.empty()) throw InputError("the placement found no set");
    for (std::int32_t node : sensors.placement->result.placements.back().nodes) sensors.nodes.push_back(node + 1);
    return sensors;
}

}  // namespace

int RunReportCommand(const ReportRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err) {
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    const std::string output = AbsoluteNetworkPath(request.Output);
    std::string html;
    bool partial = false;
    try {
        RequireReplaceableOutput(output, path);
        RequireWritableFolder(output);
        const network::Network net = OpenNetworkFile(path, toolkit);
        const bool summary = request.Place || request.Objective == "z2" || request.Objective == "z3";
        const SetInput input = LoadSetInput(net, "tesmar report", err, summary);
        partial = input.partial.has_value();
        const ReportSensors sensors = ChooseSensors(request, net, input);
        html = report::RenderHtml(ReportPage(net, input, sensors));
    } catch (const InputError& e) {
        err << "tesmar report: " << e.what() << std::endl;
        return kBadInput;
    } catch (const optimizer::RequestError& e) {
        err << "tesmar report: " << e.what() << std::endl;
        return kBadInput;
    }
    try {
        RequireReplaceableOutput(output, path);  // again: the work took time
        base::WriteFileAtomically(output, html);
    } catch (const InputError& e) {
        err << "tesmar report: " << e.what() << std::endl;
        return kBadInput;
    } catch (const std::runtime_error& e) {
        err << "tesmar report: " << e.what() << std::endl;
        return kBadInput;
    }
    err << "tesmar: report written (" << html.size() / 1024 << " KiB)" << std::endl;
    out << output << "\n" << std::flush;
    return partial && !request.AcceptPartial ? kPartialSet : kSuccess;
}

}  // namespace tesmar
