#include "matrix/event_summary.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "matrix/file_names.h"
#include "matrix/line_reader.h"
#include "matrix/records.h"
#include "matrix/text_source.h"

namespace matrix {

namespace {

constexpr int kFields = 7;
constexpr int kPeopleField = 5, kVolumeField = 6;

}  // namespace

std::vector<std::string_view> SummaryFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"') quoted = !quoted;
        if (i == line.size() || (line[i] == ',' && !quoted)) {
            fields.push_back(line.substr(begin, i - begin));
            begin = i + 1;
        }
    }
    return fields;
}

namespace {

bool Number(std::string_view text, double& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

std::optional<EventSummary> ReadEventSummary(const std::string& networkPath, std::int32_t nEvents) {
    const std::string path = EventSummaryFileName(networkPath);
    const MatrixSource source = FileSource(path);
    if (!source.found) return std::nullopt;
    auto fail = [&](std::int64_t line, const std::string& what) -> SummaryError {
        return SummaryError("The event summary " + path + ", line " + std::to_string(line) + ", cannot be read: " + what);
    };
    LineReader reader(source.open());
    std::string_view line;
    std::string header = SummaryHeader();
    header.resize(header.size() - 2);  // without its line end
    if (!reader.Next(line) || line != header) throw fail(1, "it does not begin with the summary's header");
    EventSummary summary;
    summary.undetectedPeople.reserve(static_cast<std::size_t>(nEvents));
    summary.undetectedVolume.reserve(static_cast<std::size_t>(nEvents));
    for (std::int32_t e = 1; e <= nEvents; ++e) {
        if (!reader.Next(line)) throw fail(reader.LineNumber() + 1, "it ends before event " + std::to_string(e));
        const auto fields = SummaryFields(line);
        double number = 0, people = 0, volume = 0;
        if (fields.size() != kFields) throw fail(reader.LineNumber(), "it has " + std::to_string(fields.size()) + " fields where 7 are expected");
        if (!Number(fields[0], number) || number != e) throw fail(reader.LineNumber(), "it is not the line of event " + std::to_string(e));
        const bool hasPeople = !fields[kPeopleField].empty();
        if (e == 1) summary.hasPeople = hasPeople;
        if (hasPeople != summary.hasPeople || (hasPeople && (!Number(fields[kPeopleField], people) || people < 0)))
            throw fail(reader.LineNumber(), "its people affected are not a number of people");
        if (!Number(fields[kVolumeField], volume) || volume < 0)
            throw fail(reader.LineNumber(), "its volume consumed is not a volume");
        summary.undetectedPeople.push_back(hasPeople ? people : std::numeric_limits<double>::quiet_NaN());
        summary.undetectedVolume.push_back(volume);
    }
    return summary;
}

}  // namespace matrix
