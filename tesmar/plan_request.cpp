#include "tesmar/plan_request.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <set>

#include "network/input_file.h"
#include "base/user_text.h"
#include "optimizer/request_error.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/placement_text.h"

namespace tesmar {

namespace {

std::string Trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(Trimmed(line.substr(start, comma - start)));
    fields.push_back(Trimmed(line.substr(start)));
    return fields;
}

std::optional<double> Number(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The file's lines with their numbers, blank ones left out; a first line
// whose first field is not a key (a node ID, an event number) and whose
// second is not a number is a header and is returned apart.
struct CsvLines {
    std::vector<std::string> header;
    std::vector<std::pair<int, std::vector<std::string>>> rows;
};

template <class IsKey>
CsvLines ReadCsv(const std::string& path, const char* option, IsKey&& isKey) {
    RequireReadableFile(path, std::string(option) + " file");
    std::istringstream in;
    try {
        in.str(network::ReadInputFile(path));  // never waits, as the check above
    } catch (const network::InputFileError& e) {
        throw InputError(std::string(option) + ": the file " + path + " cannot be read: " + e.what());
    }
    CsvLines csv;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (Trimmed(line).empty()) continue;
        std::vector<std::string> fields = Fields(line);
        if (csv.rows.empty() && csv.header.empty() && !isKey(fields[0]) && (fields.size() < 2 || !Number(fields[1]))) {
            csv.header = fields;
            continue;
        }
        csv.rows.emplace_back(number, std::move(fields));
    }
    return csv;
}

[[noreturn]] void Refuse(const char* option, const std::string& path, int line, const std::string& what) {
    throw InputError(std::string(option) + ": " + path + " line " + std::to_string(line) + ": " + what);
}

double ValueIn(const char* option, const std::string& path, int line, const std::string& text, const char* what,
               double low, double high, bool highIncluded) {
    std::optional<double> v = Number(text);
    if (!v || *v < low || (highIncluded ? *v > high : *v >= high))
        Refuse(option, path, line,
               std::string(what) + " '" + base::ShownText(text) + "' is not a number from " + FigureText(low) +
                   (std::isinf(high) ? " up" : (highIncluded ? " to " : " up to (not including) ") + FigureText(high)));
    return *v;
}

// Costs per node, and failure chances where the file has a third column.
void ReadCosts(const PlaceRequest& r, const network::Network& net, optimizer::PlanOptions& plan,
               std::vector<double>& failure, std::vector<bool>& failureGiven) {
    const char* option = "--costs";
    CsvLines csv = ReadCsv(r.CostsFile, option, [&](const std::string& id) { return net.colNodes.Find(id).has_value(); });
    auto nodes = static_cast<std::size_t>(net.nNodes);
    plan.nodeCost.assign(nodes, r.DefaultCost.value_or(1.0));
    std::vector<bool> listed(nodes, false);
    for (const auto& [line, fields] : csv.rows) {
        if (fields.size() < 2 || fields.size() > 3)
            Refuse(option, r.CostsFile, line, "expected 'node ID,cost' or 'node ID,cost,failure'");
        const auto index = net.colNodes.Find(fields[0]);
        if (!index) Refuse(option, r.CostsFile, line, "no such node: '" + base::ShownText(fields[0]) + "'");
        auto n = static_cast<std::size_t>(*index - 1);
        if (listed[n]) Refuse(option, r.CostsFile, line, "node '" + base::ShownText(fields[0]) + "' is listed twice");
        listed[n] = true;
        plan.nodeCost[n] = ValueIn(option, r.CostsFile, line, fields[1], "the cost", 0, INFINITY, false);
        if (fields.size() == 3 && !fields[2].empty()) {
            failure[n] = ValueIn(option, r.CostsFile, line, fields[2], "the failure chance", 0, 1, false);
            failureGiven[n] = true;
        }
    }
}

std::vector<double> ReadWeights(const PlaceRequest& r, std::int32_t events) {
    const char* option = "--weights";
    CsvLines csv = ReadCsv(r.WeightsFile, option, [](const std::string& key) { return Number(key).has_value(); });
    std::vector<double> weights(static_cast<std::size_t>(events), -1);
    for (const auto& [line, fields] : csv.rows) {
        if (fields.size() != 2) Refuse(option, r.WeightsFile, line, "expected 'event number,weight'");
        std::optional<double> number = Number(fields[0]);
        if (!number || *number != std::floor(*number) || *number < 1 || *number > events)
            Refuse(option, r.WeightsFile, line,
                   "the event number '" + base::ShownText(fields[0]) + "' is not a whole number from 1 to " +
                       std::to_string(events));
        auto e = static_cast<std::size_t>(*number - 1);
        if (weights[e] >= 0) Refuse(option, r.WeightsFile, line, "event " + fields[0] + " is listed twice");
        weights[e] = ValueIn(option, r.WeightsFile, line, fields[1], "the weight", 0, INFINITY, false);
    }
    std::size_t missing = 0;
    for (double w : weights) missing += w < 0;
    if (missing > 0)
        throw InputError(std::string(option) + ": " + r.WeightsFile + " gives no weight to " + std::to_string(missing) +
                         " of the " + std::to_string(events) + " events (the first is event " +
                         std::to_string(std::find_if(weights.begin(), weights.end(), [](double w) { return w < 0; }) -
                                        weights.begin() + 1) +
                         "); every event needs one");
    double sum = 0;
    for (double w : weights) sum += w;
    if (!(sum > 0)) throw InputError(std::string(option) + ": " + r.WeightsFile + ": the weights add up to 0");
    return weights;
}

[[noreturn]] void BadRequirement(const std::string& text) {
    throw InputError("--require '" + base::ShownText(text) +
                     "': not a requirement; write detected>=SHARE (0 to 1) or MEASURE.STATISTIC<=LIMIT with MEASURE "
                     "z1, z2 or z3 and STATISTIC mean, var, cvar or worst");
}

struct ParsedRequirement {
    optimizer::Requirement requirement;
    optimizer::Measure measure = optimizer::Measure::TimeToDetection;
};

ParsedRequirement ParseRequirement(const std::string& given) {
    std::string text;
    for (char ch : given)
        if (ch != ' ' && ch != '\t') text += ch;
    ParsedRequirement p;
    p.requirement.text = given;
    using Kind = optimizer::Requirement::Kind;
    if (text.rfind("detected>=", 0) == 0) {
        std::optional<double> share = Number(text.substr(10));
        if (!share || *share < 0 || *share > 1) BadRequirement(given);
        p.requirement.kind = Kind::Detected;
        p.requirement.limit = *share;
        return p;
    }
    const auto dot = text.find('.'), at = text.find("<=");
    if (dot == std::string::npos || at == std::string::npos || at < dot) BadRequirement(given);
    const std::string measure = text.substr(0, dot), statistic = text.substr(dot + 1, at - dot - 1);
    std::optional<double> limit = Number(text.substr(at + 2));
    if (!limit) BadRequirement(given);
    if (measure == "z1") p.measure = optimizer::Measure::TimeToDetection;
    else if (measure == "z2") p.measure = optimizer::Measure::PeopleAffected;
    else if (measure == "z3") p.measure = optimizer::Measure::VolumeConsumed;
    else BadRequirement(given);
    if (statistic == "mean") p.requirement.kind = Kind::Mean;
    else if (statistic == "var") p.requirement.kind = Kind::VaR;
    else if (statistic == "cvar") p.requirement.kind = Kind::CVaR;
    else if (statistic == "worst") p.requirement.kind = Kind::Worst;
    else BadRequirement(given);
    p.requirement.limit = *limit;
    return p;
}

}  // namespace

bool PlanRequested(const PlaceRequest& r) {
    return !r.CostsFile.empty() || r.DefaultCost || r.Budget || !r.WeightsFile.empty() || !r.Require.empty() ||
           r.Redundancy != 1 || r.FailureProbability || r.Sensors == 0;
}

PlanInput ToPlanInput(const PlaceRequest& r, const network::Network& net, const SetInput& input) {
    PlanInput in;
    optimizer::PlanOptions& plan = in.plan;
    if (r.FailureProbability && !(*r.FailureProbability >= 0 && *r.FailureProbability < 1))
        throw InputError("--failure-probability must lie in [0, 1) (0 included, 1 not), not " +
                         FigureText(*r.FailureProbability));
    if (r.DefaultCost && !(*r.DefaultCost >= 0)) throw InputError("--default-cost must be a number >= 0");
    if (r.Budget && !(*r.Budget >= 0)) throw InputError("--budget must be a number >= 0");
    if (r.Redundancy < 1) throw InputError("--redundancy must be at least 1");
    if (r.BudgetSteps < 1) throw InputError("--budget-steps must be at least 1");
    if (r.Sensors == 0 && !r.Budget) throw InputError("give --sensors K, --budget B or both");
    auto nodes = static_cast<std::size_t>(net.nNodes);
    std::vector<double> failure(nodes, r.FailureProbability.value_or(0.0));
    std::vector<bool> failureGiven(nodes, false);
    if (!r.CostsFile.empty()) ReadCosts(r, net, plan, failure, failureGiven);
    else if (r.DefaultCost) plan.nodeCost.assign(nodes, *r.DefaultCost);
    if (r.FailureProbability || std::find(failureGiven.begin(), failureGiven.end(), true) != failureGiven.end())
        plan.nodeFailure = failure;
    plan.budget = r.Budget;
    plan.sensorsGiven = r.Sensors > 0;
    if (!r.WeightsFile.empty()) plan.eventWeight = ReadWeights(r, input.set.nEvents);
    plan.redundancy = r.Redundancy;
    for (const std::string& text : r.Require) {
        ParsedRequirement p = ParseRequirement(text);
        if (p.requirement.kind != optimizer::Requirement::Kind::Detected) {
            try {
                in.measures.push_back(std::make_unique<optimizer::MatrixInput>(
                    optimizer::FromMatrixSet(input.set, p.measure, input.summary, input.manifest)));
            } catch (const optimizer::RequestError& e) {
                throw InputError("--require '" + base::ShownText(text) + "': " + e.what());
            }
            p.requirement.data = &in.measures.back()->data;
        }
        plan.requirements.push_back(p.requirement);
    }
    if (r.Curve && r.Budget)
        for (int i = 1; i <= r.BudgetSteps; ++i) plan.budgetSteps.push_back(*r.Budget * i / r.BudgetSteps);
    return in;
}

std::vector<std::string> PlanDescription(const PlaceRequest& r) {
    std::vector<std::string> lines;
    std::string costs = r.CostsFile.empty() ? "every node costs " + FigureText(r.DefaultCost.value_or(1.0))
                                            : "costs from " + r.CostsFile + ", other nodes " +
                                                  FigureText(r.DefaultCost.value_or(1.0));
    if (r.Budget) lines.push_back("budget " + FigureText(*r.Budget) + " (" + costs + ")");
    else if (!r.CostsFile.empty() || r.DefaultCost) lines.push_back("no budget (" + costs + ")");
    lines.push_back(r.Sensors > 0 ? "at most " + std::to_string(r.Sensors) + " sensors" : "no limit on the sensor count");
    if (!r.WeightsFile.empty()) lines.push_back("events weighted by " + r.WeightsFile);
    for (const std::string& text : r.Require) lines.push_back("requirement " + Trimmed(text));
    if (r.Redundancy != 1)
        lines.push_back("redundancy " + std::to_string(r.Redundancy) + ": an event counts as detected at its " +
                        std::to_string(r.Redundancy) + (r.Redundancy == 2 ? "nd" : r.Redundancy == 3 ? "rd" : "th") +
                        " detection");
    if (r.FailureProbability) lines.push_back("each sensor fails with probability " + FigureText(*r.FailureProbability));
    return lines;
}

}  // namespace tesmar
