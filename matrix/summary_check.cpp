#include "matrix/summary_check.h"

#include <string_view>

#include "matrix/event_row.h"
#include "matrix/event_summary.h"
#include "matrix/file_names.h"
#include "matrix/line_reader.h"
#include "matrix/records.h"
#include "matrix/text_source.h"

namespace matrix {

namespace {

constexpr int kInjectionsField = 2;

// "J10 5 479167;J20 12 479167" from a record's event columns
// ("J10",5,479167,"J20",12,479167,999,999,999,).
std::string RecordedInjections(std::string_view columns) {
    const auto fields = SummaryFields(columns);
    std::string list;
    for (std::size_t f = 0; f + 2 < fields.size(); f += 3) {
        std::string_view id = fields[f];
        if (id == "999") continue;
        if (id.size() >= 2 && id.front() == '"' && id.back() == '"') id = id.substr(1, id.size() - 2);
        if (!list.empty()) list += ';';
        list.append(id).append(" ").append(fields[f + 1]).append(" ").append(fields[f + 2]);
    }
    return list;
}

// The first three injections of a summary line's injection list.
std::string SummarisedInjections(std::string_view field) {
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
    std::size_t end = 0;
    for (int i = 0; i < kDescribedInjections && end != std::string_view::npos; ++i)
        end = field.find(';', i == 0 ? 0 : end + 1);
    return std::string(field.substr(0, end));
}

}  // namespace

std::optional<std::string> SummaryDisagreement(const std::string& networkPath, bool buildFinished) {
    const std::string summaryPath = EventSummaryFileName(networkPath), recordsPath = MatrixFileName(networkPath, 4);
    const MatrixSource summary = FileSource(summaryPath), records = FileSource(recordsPath);
    if (!summary.found || !records.found) return std::nullopt;
    const std::string start = "The event summary " + summaryPath + " does not belong with the matrix records of " +
                              recordsPath + ": ";
    const std::string end = "; it comes from another build of the network (build the set again, or put back the "
                            "summary its build wrote)";
    LineReader summaryLines(summary.open()), recordLines(records.open());
    std::string_view summaryLine, recordLine;
    // The headers; their form is the loaders' business.
    if (!summaryLines.Next(summaryLine) || !recordLines.Next(recordLine)) return std::nullopt;
    for (std::int64_t event = 1;; ++event) {
        const bool hasSummary = !summaryLines.OnlyBlankLinesLeft() && summaryLines.Next(summaryLine);
        const bool hasRecord = !recordLines.OnlyBlankLinesLeft() && recordLines.Next(recordLine);
        if (!hasSummary && !hasRecord) return std::nullopt;
        if (!hasRecord)
            return start + "it holds event " + std::to_string(event) + ", which the records do not" + end;
        if (!hasSummary) {
            if (!buildFinished && recordLines.OnlyBlankLinesLeft()) return std::nullopt;
            return start + "it ends before event " + std::to_string(event) + ", which the records hold" + end;
        }
        const auto fields = SummaryFields(summaryLine);
        const auto columns = EventColumns(recordLine);
        if (fields.size() <= kInjectionsField || !columns) return std::nullopt;  // malformed: the loaders say so
        const std::string summarised = SummarisedInjections(fields[kInjectionsField]);
        const std::string recorded = RecordedInjections(*columns);
        if (summarised != recorded)
            return start + "its event " + std::to_string(event) + " injects \"" + summarised +
                   "\" where the records say \"" + recorded + "\" (node, start step, mg/min)" + end;
    }
}

}  // namespace matrix
