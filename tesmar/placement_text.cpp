#include "tesmar/placement_text.h"

#include <cmath>
#include <cstdio>

#include "base/number_text.h"
#include "evaluator/result_text.h"
#include "network/user_text.h"
#include "tesmar/fitness_command.h"
#include "tesmar/json_text.h"

namespace tesmar {

namespace {

using optimizer::Statistic;

std::string Percent(double fraction) {
    if (!std::isfinite(fraction)) return "-";
    return base::PercentText(100 * fraction);
}

const char* ExactText(optimizer::ExactStatus status, bool bySignal) {
    switch (status) {
        case optimizer::ExactStatus::NotRequested: return "not requested";
        case optimizer::ExactStatus::Optimal: return "optimal";
        case optimizer::ExactStatus::Stopped: return bySignal ? "stopped by a signal" : "stopped at the time limit";
        case optimizer::ExactStatus::ModelTooLarge: return "model too large; heuristic with bound";
        case optimizer::ExactStatus::NotModelled: return "not modelled (redundancy, failing sensors or VaR); heuristic with bound";
    }
    return "";
}

std::string Joined(const std::vector<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids) text += (text.empty() ? "" : " ") + network::EscapedText(id);
    return text;
}

std::string FiguresJson(const optimizer::Figures& f) {
    return "{\"events\": " + std::to_string(f.events) + ", \"detected\": " + std::to_string(f.detected) +
           ", \"detected_fraction\": " + JsonDouble(f.detectedFraction) + ", \"mean\": " + JsonDouble(f.mean) +
           ", \"var\": " + JsonDouble(f.var) + ", \"cvar\": " + JsonDouble(f.cvar) + ", \"worst\": " +
           JsonDouble(f.worst) + "}";
}

// The requirements' texts, in order, from the planning lines.
std::vector<std::string> RequirementTexts(const PlacementReport& r) {
    std::vector<std::string> texts;
    for (const std::string& line : r.plan)
        if (line.rfind("requirement ", 0) == 0) texts.push_back(line.substr(12));
    return texts;
}

std::string Heading(const PlacementReport& r) {
    const optimizer::Figures& counted = r.result.placements.empty() ? r.result.floor : r.result.placements.front().figures;
    std::string text = r.partial ? PartialText(*r.partial) + "\n" : "";
    if (r.unfinished) text += "Note: " + *r.unfinished + "\n";
    text += "Objective: " + StatisticName(r.statistic, r.alpha) + " of the " +
                       optimizer::MeasureDescription(r.measure) + " over " + std::to_string(counted.events) + " of " +
                       std::to_string(r.events) + " events" +
                       (r.detectableOnly ? " (those some candidate node detects)" : "") + "\n";
    for (const std::string& line : r.plan) text += "Planning: " + line + "\n";
    for (const std::string& note : PlacementNotes(r)) text += "Note: " + note + "\n";
    return text;
}

std::string FiguresLine(const char* label, const optimizer::Figures& f, double alpha) {
    return std::string(label) + Percent(f.detectedFraction) + " (" + std::to_string(f.detected) + "/" +
           std::to_string(f.events) + ")   mean: " + FigureText(f.mean) + "   " + StatisticName(Statistic::VaR, alpha) +
           ": " + FigureText(f.var) + "   " + StatisticName(Statistic::CVaR, alpha) + ": " + FigureText(f.cvar) +
           "   worst case: " + FigureText(f.worst) + "\n";
}

// What the planning options add to the last placement's lines.
std::string PlanLines(const PlacementReport& r, const optimizer::Placement& p) {
    std::string text = "Cost: " + FigureText(p.plan.cost) +
                       (std::isnan(p.plan.budget) ? "" : "   budget: " + FigureText(p.plan.budget)) + "\n";
    for (std::size_t i = 0; i < p.plan.requirements.size(); ++i) {
        const optimizer::RequirementAnswer& a = p.plan.requirements[i];
        const bool share = r.plan.size() > 0 && i < RequirementTexts(r).size() &&
                           RequirementTexts(r)[i].find("detected") != std::string::npos;
        text += "Requirement " + RequirementTexts(r)[i] + ": " + (share ? Percent(a.value) : FigureText(a.value)) +
                (a.met ? "   met" : "   NOT met") + "   best any set reaches: " +
                (share ? "at most " + Percent(a.best) : "at least " + FigureText(a.best)) +
                (a.provenInfeasible ? "   (proven: no set meets it)" : "") + "\n";
    }
    if (!p.plan.feasible)
        text += "No set found meets every requirement: the set shown comes nearest; its value is not an answer\n";
    text += FiguresLine("Planned figures: detected ", p.plan.figures, r.alpha);
    return text;
}

std::string PlanJson(const PlacementReport& r, const optimizer::Placement& p) {
    std::string json = ", \"plan\": {\"cost\": " + JsonDouble(p.plan.cost) + ", \"budget\": " + JsonDouble(p.plan.budget) +
                       ", \"meets_requirements\": " + (p.plan.feasible ? "true" : "false") + ", \"figures\": " +
                       FiguresJson(p.plan.figures) + ", \"requirements\": [";
    const std::vector<std::string> texts = RequirementTexts(r);
    for (std::size_t i = 0; i < p.plan.requirements.size(); ++i) {
        const optimizer::RequirementAnswer& a = p.plan.requirements[i];
        json += (i ? ", " : "") + std::string("{\"requirement\": ") + network::JsonString(i < texts.size() ? texts[i] : "") +
                ", \"value\": " + JsonDouble(a.value) + ", \"limit\": " + JsonDouble(a.limit) +
                ", \"met\": " + (a.met ? "true" : "false") + ", \"best_reachable\": " + JsonDouble(a.best) +
                ", \"proven_infeasible\": " + (a.provenInfeasible ? "true" : "false") + "}";
    }
    return json + "]}";
}

}  // namespace

std::string FigureText(double value) {
    if (!std::isfinite(value)) return "-";
    return base::GeneralText(value, 6);
}

std::string StatisticName(Statistic statistic, double alpha) {
    const std::string level = base::GeneralText(100 * alpha, 6);
    switch (statistic) {
        case Statistic::Mean: return "mean";
        case Statistic::VaR: return std::string("VaR ") + level + " %";
        case Statistic::CVaR: return std::string("CVaR ") + level + " %";
        case Statistic::Worst: return "worst case";
    }
    return "";
}

std::vector<std::pair<std::string, std::string>> PlanRows(const PlacementReport& r, const optimizer::Placement& p) {
    std::vector<std::pair<std::string, std::string>> rows;
    if (!p.plan.applied) return rows;
    for (const std::string& line : r.plan) rows.emplace_back("Planning", line);
    rows.emplace_back("Cost", FigureText(p.plan.cost) + (std::isnan(p.plan.budget) ? "" : " of " + FigureText(p.plan.budget)));
    const std::vector<std::string> texts = RequirementTexts(r);
    for (std::size_t i = 0; i < p.plan.requirements.size() && i < texts.size(); ++i) {
        const optimizer::RequirementAnswer& a = p.plan.requirements[i];
        const bool share = texts[i].find("detected") != std::string::npos;
        rows.emplace_back("Requirement " + texts[i],
                          (share ? Percent(a.value) : FigureText(a.value)) + (a.met ? ", met" : ", NOT met") +
                              (a.provenInfeasible ? " (proven: no set meets it)" : ""));
    }
    const optimizer::Figures& f = p.plan.figures;
    rows.emplace_back("Planned detected share", Percent(f.detectedFraction));
    rows.emplace_back("Planned mean, VaR, CVaR, worst case",
                      FigureText(f.mean) + ", " + FigureText(f.var) + ", " + FigureText(f.cvar) + ", " + FigureText(f.worst));
    return rows;
}

std::vector<std::string> PlacementNotes(const PlacementReport& r) {
    std::vector<std::string> notes;
    const optimizer::Result& result = r.result;
    if (result.undetectableEvents > 0)
        notes.push_back(std::to_string(result.undetectableEvents) + " event" +
                        (result.undetectableEvents == 1 ? " is" : "s are") +
                        " detected by no candidate node: every set misses " +
                        (result.undetectableEvents == 1 ? "it" : "them") +
                        (r.detectableOnly ? "; they are left out of the statistics"
                                          : " (--detectable-only leaves them out of the statistics)"));
    for (Statistic s : {Statistic::Worst, Statistic::CVaR, Statistic::VaR})
        if (!r.detectableOnly && result.undetectableEvents > 0 && result.SameForEverySet(s))
            notes.push_back("the " + StatisticName(s, r.alpha) + " is " + FigureText(result.floor.Value(s)) +
                            " whatever the set: no set can improve it");
    const std::int32_t held = result.placements.empty() ? 0 : result.placements.back().sensors;
    if (held < r.sensorsAsked && r.plan.empty())  // with a plan, the budget or a requirement may hold it back
        notes.push_back(std::to_string(r.sensorsAsked) + " sensors were asked, but no node beyond " +
                        std::to_string(held) + " improves the " + StatisticName(r.statistic, r.alpha) + " of the " +
                        optimizer::MeasureDescription(r.measure) + ": the set holds " + std::to_string(held) +
                        " nodes");
    if (result.stoppedEarly) notes.push_back("the run was stopped before it ended: the figures are the best reached");
    return notes;
}

std::string PlacementText(const PlacementReport& r) {
    std::string text = Heading(r);
    const auto& placements = r.result.placements;
    if (placements.size() > 1 && !r.plan.empty()) {
        text += "\nbudget        cost          sensors  value         bound         gap      detected  set\n";
        for (std::size_t i = 0; i < placements.size(); ++i) {
            const optimizer::Placement& p = placements[i];
            char row[200];
            std::snprintf(row, sizeof row, "%-12s  %-12s  %7d  %-12s  %-12s  %-7s  %-8s  ", FigureText(p.plan.budget).c_str(),
                          FigureText(p.plan.cost).c_str(), p.sensors, FigureText(p.value).c_str(),
                          FigureText(p.bound).c_str(), Percent(p.gap).c_str(),
                          Percent(p.plan.figures.detectedFraction).c_str());
            text += row + Joined(r.sensorIds[i]) + (p.plan.feasible ? "" : "   (requirements not met)") + "\n";
        }
        text += "\n";
    } else if (placements.size() > 1) {
        text += "\nsensors  value         bound         gap      detected  set\n";
        for (std::size_t i = 0; i < placements.size(); ++i) {
            const optimizer::Placement& p = placements[i];
            char row[160];
            std::snprintf(row, sizeof row, "%7d  %-12s  %-12s  %-7s  %-8s  ", p.sensors, FigureText(p.value).c_str(),
                          FigureText(p.bound).c_str(), Percent(p.gap).c_str(), Percent(p.figures.detectedFraction).c_str());
            text += row + Joined(r.sensorIds[i]) + "\n";
        }
        text += "\n";
    }
    if (placements.empty()) return text;
    const optimizer::Placement& last = placements.back();
    const std::size_t i = placements.size() - 1;
    text += "Sensors (" + std::to_string(last.sensors) + "): " + Joined(r.sensorIds[i]) + "\n";
    text += "Value: " + FigureText(last.value) + "   bound: " + FigureText(last.bound) + "   gap: " + Percent(last.gap) +
            (last.provenOptimal ? "   (proven optimal)" : "") + "\n";
    if (last.exact != optimizer::ExactStatus::NotRequested) text += std::string("Exact model: ") + ExactText(last.exact, r.stoppedBySignal) + "\n";
    if (last.plan.applied) text += PlanLines(r, last);
    text += FiguresLine(last.plan.applied ? "Plain figures (equal weights, perfect sensors, first detection): detected "
                                          : "Detected: ",
                        last.figures, r.alpha);
    for (int k = 1; k <= 4; ++k) text += evaluator::ResultLine(r.fitness[i], k, '.') + "\n";
    return text;
}

std::string PlacementJson(const PlacementReport& r) {
    const optimizer::Result& result = r.result;
    std::string json = "{\"network\": " + network::JsonString(r.networkPath) + ", \"objective\": " +
                       network::JsonString(optimizer::MeasureName(r.measure)) + ", \"statistic\": " +
                       network::JsonString(r.statistic == Statistic::Mean   ? "mean"
                                  : r.statistic == Statistic::VaR  ? "var"
                                  : r.statistic == Statistic::CVaR ? "cvar"
                                                                   : "worst") +
                       ", \"alpha\": " + JsonDouble(r.alpha) + ", \"detectable_only\": " +
                       (r.detectableOnly ? "true" : "false") + ", \"events\": " + std::to_string(r.events) + ", \"sensors_asked\": " + std::to_string(r.sensorsAsked) +
                       ", \"undetectable_events\": " + std::to_string(result.undetectableEvents) + ", \"notes\": [";
    if (!r.plan.empty()) {
        std::string planning;
        for (std::size_t i = 0; i < r.plan.size(); ++i) planning += (i ? ", " : "") + network::JsonString(r.plan[i]);
        json.insert(json.size() - std::string(", \"notes\": [").size(), ", \"planning\": [" + planning + "]");
    }
    const auto notes = PlacementNotes(r);
    for (std::size_t i = 0; i < notes.size(); ++i) json += (i ? ", " : "") + network::JsonString(notes[i]);
    json += "], \"placements\": [";
    for (std::size_t i = 0; i < result.placements.size(); ++i) {
        const optimizer::Placement& p = result.placements[i];
        json += i ? ", " : "";
        json += "{\"sensors\": " + std::to_string(p.sensors) + ", \"nodes\": [";
        for (std::size_t n = 0; n < r.sensorIds[i].size(); ++n) json += (n ? ", " : "") + network::JsonString(r.sensorIds[i][n]);
        json += "], \"value\": " + JsonDouble(p.value) + ", \"bound\": " + JsonDouble(p.bound) + ", \"gap\": " +
                JsonDouble(p.gap) + ", \"proven_optimal\": " + (p.provenOptimal ? "true" : "false") +
                ", \"exact\": " + network::JsonString(ExactText(p.exact, r.stoppedBySignal)) + ", \"figures\": " + FiguresJson(p.figures) +
                (p.plan.applied ? PlanJson(r, p) : std::string()) + ", \"fitness\": {" +
                FitnessJsonFields(r.fitness[i]) + "}}";
    }
    json += "], \"floor\": " + FiguresJson(result.floor) + ", \"ceiling\": " + FiguresJson(result.ceiling) +
            ", \"stopped_early\": " + (result.stoppedEarly ? "true" : "false") + ", \"seconds\": " +
            JsonDouble(result.seconds) + ", \"threads\": " + std::to_string(result.threads) +
            ", \"partial\": " + PartialJson(r.partial) + ", \"build_unfinished\": " +
            (r.unfinished ? network::JsonString(*r.unfinished) : "null") + "}\n";
    return json;
}

}  // namespace tesmar
