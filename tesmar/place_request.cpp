#include "tesmar/place_request.h"

#include <fstream>
#include <sstream>

#include "network/input_file.h"
#include "base/user_text.h"
#include "tesmar/exit_codes.h"
#include "tesmar/thread_count.h"

namespace tesmar {

namespace {

std::int32_t NodeIndex(const network::Network& net, const std::string& id, const char* option) {
    const auto index = net.colNodes.Find(id);
    if (!index)
        throw InputError(std::string(option) + ": no such node: '" + base::ShownText(id) + "' is not a node of " +
                         net.path);
    return *index - 1;
}

std::vector<std::int32_t> NodeIndexes(const network::Network& net, const std::vector<std::string>& ids,
                                      const char* option) {
    std::vector<std::int32_t> indexes;
    for (const std::string& id : ids) indexes.push_back(NodeIndex(net, id, option));
    return indexes;
}

// Node IDs separated by blanks or line ends; "#" starts a comment.
std::vector<std::string> ReadIds(const std::string& path) {
    std::istringstream in;
    try {
        in.str(network::ReadInputFile(path));
    } catch (const network::InputFileError& e) {
        throw InputError("--candidates: the file " + path + " cannot be read: " + e.what());
    }
    std::vector<std::string> ids;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        for (std::string id; words >> id;) ids.push_back(id);
    }
    if (ids.empty()) throw InputError("--candidates: the file " + path + " names no node");
    return ids;
}

}  // namespace

optimizer::Measure MeasureOf(const PlaceRequest& r) {
    if (r.Objective == "z2") return optimizer::Measure::PeopleAffected;
    if (r.Objective == "z3") return optimizer::Measure::VolumeConsumed;
    if (r.Objective == "detect") return optimizer::Measure::Detection;
    return optimizer::Measure::TimeToDetection;
}

optimizer::Statistic StatisticOf(const PlaceRequest& r) {
    if (r.Statistic == "var") return optimizer::Statistic::VaR;
    if (r.Statistic == "cvar") return optimizer::Statistic::CVaR;
    if (r.Statistic == "worst") return optimizer::Statistic::Worst;
    return optimizer::Statistic::Mean;
}

optimizer::Options ToOptions(const PlaceRequest& r, const network::Network& net) {
    optimizer::Options options;
    options.sensors = r.Sensors;
    options.objective = MeasureOf(r) == optimizer::Measure::Detection ? optimizer::Objective::Detection
                                                                        : optimizer::Objective::Impact;
    options.statistic = StatisticOf(r);
    options.alpha = r.Alpha;
    options.detectableOnly = r.DetectableOnly;
    options.fixed = NodeIndexes(net, r.Fixed, "--fixed");
    options.excluded = NodeIndexes(net, r.Exclude, "--exclude");
    if (!r.CandidatesFile.empty()) options.candidates = NodeIndexes(net, ReadIds(r.CandidatesFile), "--candidates");
    options.curve = r.Curve;
    options.exact = r.Exact;
    if (r.TimeLimit < 0) throw InputError("--time-limit must be zero (none) or a positive number of seconds");
    options.timeLimitSeconds = r.TimeLimit;
    RequireThreadCount(r.Threads);
    options.threads = r.Threads.value_or(0);
    return options;
}

}  // namespace tesmar
