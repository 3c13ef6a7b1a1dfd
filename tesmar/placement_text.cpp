#include "tesmar/placement_text.h"

#include <cmath>
#include <cstdio>

#include "evaluator/result_text.h"
#include "tesmar/fitness_command.h"
#include "tesmar/json_text.h"

namespace tesmar {

namespace {

using optimizer::Statistic;

std::string Percent(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", 100 * fraction);
    return text;
}

std::string JsonDouble(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

const char* ExactText(optimizer::ExactStatus status) {
    switch (status) {
        case optimizer::ExactStatus::NotRequested: return "not requested";
        case optimizer::ExactStatus::Optimal: return "optimal";
        case optimizer::ExactStatus::Stopped: return "stopped at the time limit";
        case optimizer::ExactStatus::ModelTooLarge: return "model too large; heuristic with bound";
    }
    return "";
}

std::string Joined(const std::vector<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids) text += (text.empty() ? "" : " ") + id;
    return text;
}

std::string FiguresJson(const optimizer::Figures& f) {
    return "{\"events\": " + std::to_string(f.events) + ", \"detected\": " + std::to_string(f.detected) +
           ", \"detected_fraction\": " + JsonDouble(f.detectedFraction) + ", \"mean\": " + JsonDouble(f.mean) +
           ", \"var\": " + JsonDouble(f.var) + ", \"cvar\": " + JsonDouble(f.cvar) + ", \"worst\": " +
           JsonDouble(f.worst) + "}";
}

std::string Heading(const PlacementReport& r) {
    const optimizer::Figures& counted = r.result.placements.empty() ? r.result.floor : r.result.placements.front().figures;
    std::string text = "Objective: " + StatisticName(r.statistic, r.alpha) + " of the " +
                       optimizer::MeasureDescription(r.measure) + " over " + std::to_string(counted.events) + " of " +
                       std::to_string(r.events) + " events" +
                       (r.detectableOnly ? " (those some candidate node detects)" : "") + "\n";
    for (const std::string& note : PlacementNotes(r)) text += "Note: " + note + "\n";
    return text;
}

}  // namespace

std::string FigureText(double value) {
    if (!std::isfinite(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string StatisticName(Statistic statistic, double alpha) {
    char level[16];
    std::snprintf(level, sizeof level, "%g", 100 * alpha);
    switch (statistic) {
        case Statistic::Mean: return "mean";
        case Statistic::VaR: return std::string("VaR ") + level + " %";
        case Statistic::CVaR: return std::string("CVaR ") + level + " %";
        case Statistic::Worst: return "worst case";
    }
    return "";
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
    if (held < r.sensorsAsked)
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
    if (placements.size() > 1) {
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
    if (last.exact != optimizer::ExactStatus::NotRequested) text += std::string("Exact model: ") + ExactText(last.exact) + "\n";
    const optimizer::Figures& f = last.figures;
    text += "Detected: " + Percent(f.detectedFraction) + " (" + std::to_string(f.detected) + "/" +
            std::to_string(f.events) + ")   mean: " + FigureText(f.mean) + "   " + StatisticName(Statistic::VaR, r.alpha) +
            ": " + FigureText(f.var) + "   " + StatisticName(Statistic::CVaR, r.alpha) + ": " + FigureText(f.cvar) +
            "   worst case: " + FigureText(f.worst) + "\n";
    for (int k = 1; k <= 4; ++k) text += evaluator::ResultLine(r.fitness[i], k, '.') + "\n";
    return text;
}

std::string PlacementJson(const PlacementReport& r) {
    const optimizer::Result& result = r.result;
    std::string json = "{\"network\": " + JsonString(r.networkPath) + ", \"objective\": " +
                       JsonString(optimizer::MeasureName(r.measure)) + ", \"statistic\": " +
                       JsonString(r.statistic == Statistic::Mean   ? "mean"
                                  : r.statistic == Statistic::VaR  ? "var"
                                  : r.statistic == Statistic::CVaR ? "cvar"
                                                                   : "worst") +
                       ", \"alpha\": " + JsonDouble(r.alpha) + ", \"detectable_only\": " +
                       (r.detectableOnly ? "true" : "false") + ", \"events\": " + std::to_string(r.events) + ", \"sensors_asked\": " + std::to_string(r.sensorsAsked) +
                       ", \"undetectable_events\": " + std::to_string(result.undetectableEvents) + ", \"notes\": [";
    const auto notes = PlacementNotes(r);
    for (std::size_t i = 0; i < notes.size(); ++i) json += (i ? ", " : "") + JsonString(notes[i]);
    json += "], \"placements\": [";
    for (std::size_t i = 0; i < result.placements.size(); ++i) {
        const optimizer::Placement& p = result.placements[i];
        json += i ? ", " : "";
        json += "{\"sensors\": " + std::to_string(p.sensors) + ", \"nodes\": [";
        for (std::size_t n = 0; n < r.sensorIds[i].size(); ++n) json += (n ? ", " : "") + JsonString(r.sensorIds[i][n]);
        json += "], \"value\": " + JsonDouble(p.value) + ", \"bound\": " + JsonDouble(p.bound) + ", \"gap\": " +
                JsonDouble(p.gap) + ", \"proven_optimal\": " + (p.provenOptimal ? "true" : "false") +
                ", \"exact\": " + JsonString(ExactText(p.exact)) + ", \"figures\": " + FiguresJson(p.figures) +
                ", \"fitness\": {" + FitnessJsonFields(r.fitness[i]) + "}}";
    }
    json += "], \"floor\": " + FiguresJson(result.floor) + ", \"ceiling\": " + FiguresJson(result.ceiling) +
            ", \"stopped_early\": " + (result.stoppedEarly ? "true" : "false") + ", \"seconds\": " +
            JsonDouble(result.seconds) + ", \"threads\": " + std::to_string(result.threads) + "}\n";
    return json;
}

}  // namespace tesmar
