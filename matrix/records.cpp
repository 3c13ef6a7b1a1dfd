#include "matrix/records.h"

#include <charconv>
#include <cmath>

#include "matrix/number_text.h"

namespace matrix {

namespace {

void AppendInteger(std::string& record, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    record.append(digits, end);
    record += ',';
}

void AppendQuoted(std::string& record, std::string_view text) {
    record += '"';
    record += text;
    record += "\",";
}

void AppendValue(std::string& record, float value) {
    if (!std::isfinite(value)) throw RecordError("A computed value is not a finite number; no record was written");
    AppendSingle(record, value);
    record += ',';
}

void AppendValue(std::string& record, std::uint8_t value) { AppendInteger(record, value); }

std::string Description(std::span<const InjectionColumns> injections) {
    std::string fields;
    for (std::size_t i = 0; i < kDescribedInjections; ++i) {
        if (i < injections.size()) {
            AppendQuoted(fields, injections[i].nodeId);
            AppendInteger(fields, injections[i].step);
            AppendValue(fields, injections[i].massFlow);
        } else {
            for (int f = 0; f < 3; ++f) AppendInteger(fields, kNoDescription);
        }
    }
    return fields;
}

template <typename T>
void EncodeRecord(const std::string& description, std::span<const T> values, std::string& record) {
    record.clear();
    record.reserve(description.size() + values.size() * 10 + 2);
    record += description;
    for (T value : values) AppendValue(record, value);
    record += "\r\n";
}

}  // namespace

std::string HeaderRecord(std::span<const std::string> nodeIds) {
    std::string record;
    for (int i = 0; i < kDescriptionFields; ++i) AppendInteger(record, kNoDescription);
    for (const std::string& id : nodeIds) AppendQuoted(record, id);
    record += "\r\n";
    return record;
}

void EncodeEvent(std::span<const InjectionColumns> injections, const EventValues& values, EncodedEvent& out) {
    const std::string description = Description(injections);
    EncodeRecord(description, values.detected, out.text[4]);
    EncodeRecord(description, values.z1, out.text[1]);
    if (values.withZ2)
        EncodeRecord(description, values.z2, out.text[2]);
    else
        out.text[2].clear();
    EncodeRecord(description, values.z3, out.text[3]);
}

}  // namespace matrix
