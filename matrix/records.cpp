#include "matrix/records.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/number_text.h"

namespace matrix {

namespace {

void AppendInteger(std::string& record, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    record.append(digits, end);
}

void AppendQuoted(std::string& record, std::string_view text) {
    record += '"';
    record += text;
    record += "\",";
}

void RequireFinite(float value) {
    if (!std::isfinite(value)) throw RecordError("A computed value is not a finite number; no record was written");
}

// Appends the value's text and returns the single a reader of that text gets.
float AppendValue(std::string& record, float value) {
    RequireFinite(value);
    const std::size_t start = record.size();
    base::AppendSevenDigitText(record, value);
    float read = 0.0f;
    std::from_chars(record.data() + start, record.data() + record.size(), read);
    record += ',';
    return read;
}

std::string Description(std::span<const InjectionColumns> injections) {
    std::string fields;
    for (std::size_t i = 0; i < kDescribedInjections; ++i) {
        if (i < injections.size()) {
            AppendQuoted(fields, injections[i].nodeId);
            AppendInteger(fields, injections[i].step);
            fields += ',';
            AppendValue(fields, injections[i].massFlow);
        } else {
            for (int f = 0; f < 3; ++f) fields += "999,";
        }
    }
    return fields;
}

void BeginRecord(const std::string& description, std::size_t nodes, std::string& record) {
    record.clear();
    record.reserve(description.size() + nodes * 10 + 2);
    record += description;
}

void EncodeFlags(const std::string& description, std::span<const std::uint8_t> flags, EncodedEvent& out) {
    BeginRecord(description, flags.size(), out.text[4]);
    for (std::uint8_t flag : flags) {
        AppendInteger(out.text[4], flag);
        out.text[4] += ',';
    }
    out.text[4] += "\r\n";
    out.detected.assign(flags.begin(), flags.end());
}

void EncodeValues(const std::string& description, std::span<const float> values, std::string& record,
                  std::vector<float>& row) {
    BeginRecord(description, values.size(), record);
    row.resize(values.size());
    for (std::size_t n = 0; n < values.size(); ++n) row[n] = AppendValue(record, values[n]);
    record += "\r\n";
}

// "J10 5 479167;J20 12 479167": IDs hold no blanks or semicolons.
void AppendInjectionList(std::string& line, std::span<const InjectionColumns> injections) {
    line += '"';
    for (std::size_t i = 0; i < injections.size(); ++i) {
        if (i > 0) line += ';';
        line += injections[i].nodeId;
        line += ' ';
        AppendInteger(line, injections[i].step);
        line += ' ';
        base::AppendSevenDigitText(line, injections[i].massFlow);
    }
    line += '"';
}

void EncodeSummary(std::span<const InjectionColumns> injections, const EventValues& v, std::string& line) {
    line.clear();
    AppendInteger(line, v.eventNumber);
    line += ',';
    AppendInteger(line, static_cast<std::int64_t>(injections.size()));
    line += ',';
    AppendInjectionList(line, injections);
    line += ',';
    std::int64_t detecting = 0;
    float lastMinutes = 0.0f;
    for (std::size_t n = 0; n < v.detected.size(); ++n) {
        if (v.detected[n] != 1) continue;
        lastMinutes = detecting == 0 ? v.z1[n] : std::max(lastMinutes, v.z1[n]);
        ++detecting;
    }
    AppendInteger(line, detecting);
    line += ',';
    if (detecting > 0) base::AppendSevenDigitText(line, lastMinutes);
    line += ',';
    if (v.undetectedPeople) {
        RequireFinite(*v.undetectedPeople);
        base::AppendSevenDigitText(line, *v.undetectedPeople);
    }
    line += ',';
    RequireFinite(v.undetectedVolume);
    base::AppendSevenDigitText(line, v.undetectedVolume);
    line += "\r\n";
}

}  // namespace

std::string HeaderRecord(std::span<const std::string> nodeIds) {
    std::string record;
    for (int i = 0; i < kDescriptionFields; ++i) record += "999,";
    for (const std::string& id : nodeIds) AppendQuoted(record, id);
    record += "\r\n";
    return record;
}

std::string SummaryHeader() {
    return "event,injection_count,injections,nodes_detecting,minutes_to_last_detection,"
           "undetected_people_affected,undetected_volume_consumed\r\n";
}

void EncodeEvent(std::span<const InjectionColumns> injections, const EventValues& values, EncodedEvent& out) {
    const std::string description = Description(injections);
    EncodeFlags(description, values.detected, out);
    EncodeValues(description, values.z1, out.text[1], out.values[1]);
    if (values.withZ2) {
        EncodeValues(description, values.z2, out.text[2], out.values[2]);
    } else {
        out.text[2].clear();
        out.values[2].clear();
    }
    EncodeValues(description, values.z3, out.text[3], out.values[3]);
    EncodeSummary(injections, values, out.summary);
}

}  // namespace matrix
