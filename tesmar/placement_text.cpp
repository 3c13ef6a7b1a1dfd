#include "tesmar/placement_text.h"

#include <cmath>
#include <cstdio>

#include "base/number_text.h"
#include "evaluator/result_text.h"
#include "base/user_text.h"
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
    for (const std::string& id : ids) text += (text.empty() ? "" : " ") + base::EscapedText(id);
    return text;
}

void WriteFigures(base::JsonWriter& json, const optimizer::Figures& f) {
    json.BeginObject()
        .Member("events", std::to_string(f.events))
        .Member("detected", std::to_string(f.detected))
        .Member("detected_fraction", JsonDouble(f.detectedFraction))
        .Member("mean", JsonDouble(f.mean))
        .Member("var", JsonDouble(f.var))
        .Member("cvar", JsonDouble(f.cvar))
        .Member("worst", JsonDouble(f.worst))
        .EndObject();
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

void WritePlan(base::JsonWriter& json, const PlacementReport& r, const optimizer::Placement& p) {
    json.Key("plan").BeginObject().Member("cost", JsonDouble(p.plan.cost)).Member("budget", JsonDouble(p.plan.budget));
    json.Key("meets_requirements").Bool(p.plan.feasible).Key("figures");
    WriteFigures(json, p.plan.figures);
    json.Key("requirements").BeginArray();
    const std::vector<std::string> texts = RequirementTexts(r);
    for (std::size_t i = 0; i < p.plan.requirements.size(); ++i) {
        const optimizer::RequirementAnswer& a = p.plan.requirements[i];
        json.BeginObject()
            .Key("requirement")
            .String(i < texts.size() ? texts[i] : "")
            .Member("value", JsonDouble(a.value))
            .Member("limit", JsonDouble(a.limit))
            .Key("met")
            .Bool(a.met)
            .Member("best_reachable", JsonDouble(a.best))
            .Key("proven_infeasible")
            .Bool(a.provenInfeasible)
            .EndObject();
    }
    json.EndArray().EndObject();
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
    base::JsonWriter json(base::JsonWriter::Spacing::Spaced);
    json.BeginObject().Key("network").String(r.networkPath);
    json.Key("objective").String(optimizer::MeasureName(r.measure));
    json.Key("statistic").String(r.statistic == Statistic::Mean   ? "mean"
                                 : r.statistic == Statistic::VaR  ? "var"
                                 : r.statistic == Statistic::CVaR ? "cvar"
                                                                  : "worst");
    json.Member("alpha", JsonDouble(r.alpha)).Key("detectable_only").Bool(r.detectableOnly);
    json.Member("events", std::to_string(r.events)).Member("sensors_asked", std::to_string(r.sensorsAsked));
    json.Member("undetectable_events", std::to_string(result.undetectableEvents));
    if (!r.plan.empty()) {
        json.Key("planning").BeginArray();
        for (const std::string& line : r.plan) json.String(line);
        json.EndArray();
    }
    json.Key("notes").BeginArray();
    for (const std::string& note : PlacementNotes(r)) json.String(note);
    json.EndArray().Key("placements").BeginArray();
    for (std::size_t i = 0; i < result.placements.size(); ++i) {
        const optimizer::Placement& p = result.placements[i];
        json.BeginObject().Member("sensors", std::to_string(p.sensors)).Key("nodes").BeginArray();
        for (const std::string& id : r.sensorIds[i]) json.String(id);
        json.EndArray().Member("value", JsonDouble(p.value)).Member("bound", JsonDouble(p.bound));
        json.Member("gap", JsonDouble(p.gap)).Key("proven_optimal").Bool(p.provenOptimal);
        json.Key("exact").String(ExactText(p.exact, r.stoppedBySignal)).Key("figures");
        WriteFigures(json, p.figures);
        if (p.plan.applied) WritePlan(json, r, p);
        json.Key("fitness").BeginObject();
        WriteFitnessMembers(json, r.fitness[i]);
        json.EndObject().EndObject();
    }
    json.EndArray().Key("floor");
    WriteFigures(json, result.floor);
    json.Key("ceiling");
    WriteFigures(json, result.ceiling);
    json.Key("stopped_early").Bool(result.stoppedEarly).Member("seconds", JsonDouble(result.seconds));
    json.Member("threads", std::to_string(result.threads));
    WriteSetShortfalls(json, r.partial, r.unfinished);
    return json.EndObject().Text() + "\n";
}

}  // namespace tesmar
