#include "builder/window/build_settings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "builder/window/field_reading.h"

namespace builder::window {

namespace {

constexpr std::array<std::string FieldTexts::*, 12> kFields{
    &FieldTexts::Text1, &FieldTexts::Text2, &FieldTexts::Text3,  &FieldTexts::Text4,
    &FieldTexts::Text5, &FieldTexts::Text6, &FieldTexts::Text7,  &FieldTexts::Text8,
    &FieldTexts::Text9, &FieldTexts::Text10, &FieldTexts::Text11, &FieldTexts::Text12};

}  // namespace

std::string& FieldTexts::Field(int n) { return this->*kFields.at(static_cast<std::size_t>(n - 1)); }

const std::string& FieldTexts::Field(int n) const { return this->*kFields.at(static_cast<std::size_t>(n - 1)); }

FieldTexts DefaultFieldTexts() {
    FieldTexts texts;
    for (const RunParameterEntry& entry : RunParameterTable()) texts.Field(entry.windowField) = DefaultText(entry);
    return texts;
}

FieldValues ReadFields(const FieldTexts& t) {
    FieldValues values{};
    for (const RunParameterEntry* entry : EntriesInCheckOrder()) {
        const std::string& text = t.Field(entry->windowField);
        values[static_cast<std::size_t>(entry->id)] = entry->kind == ValueKind::Single
                                                          ? static_cast<double>(FieldSingle(text, entry->fieldLabel))
                                                          : FieldInt32(text, entry->fieldLabel);
    }
    return values;
}

void ApplyFields(const FieldValues& values, RunParameters& p) {
    for (const RunParameterEntry& entry : RunParameterTable())
        SetValue(entry, p, values[static_cast<std::size_t>(entry.id)]);
}

namespace {

std::int32_t FitCount(double count, const std::string& what) {
    if (!(count <= std::numeric_limits<std::int32_t>::max()))
        throw FieldError(what + " (" + std::to_string(static_cast<long long>(count)) + ") does not fit a 32-bit integer");
    return static_cast<std::int32_t>(count);
}

}  // namespace

std::int32_t ExpectedEventCount(EventMode mode, std::int32_t nNodes, std::int32_t qualStep, const RunParameters& p) {
    const std::string what = "The expected number of events";
    switch (mode) {
        case EventMode::AllNodesAllTimes: {
            if (qualStep <= 0) throw FieldError("The network's water-quality time step is not positive");
            const std::int32_t nodeHours = FitCount(static_cast<double>(nNodes) * 24, "Nodes times 24 hours");
            return FitCount(std::nearbyint(3600.0 / qualStep * nodeHours), what);
        }
        case EventMode::AllNodesRepeated: return FitCount(static_cast<double>(nNodes) * p.RepeatCount, what);
        case EventMode::RandomEvents: return p.nRandomEvents;
    }
    return 0;
}

}  // namespace builder::window
