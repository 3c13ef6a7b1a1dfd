#include "tesmar/build_request.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "base/number_text.h"
#include "builder/validation.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace {

std::string Got(double value) {
    return " (got " + base::GeneralText(value, 10) + ")";
}

// The checks the command line adds to the build's: options given for
// another event mode, then the counts of events and injections.
void ValidateModeOptions(const BuildRequest& r) {
    for (const builder::RunParameterEntry* entry : builder::EntriesInCheckOrder())
        if (entry->onlyMode && r.Given[static_cast<std::size_t>(entry->id)] && r.Mode != *entry->onlyMode)
            throw InputError(std::string(entry->option) + " applies only to " + builder::ModeEntry().option + " " +
                             builder::ModeName(*entry->onlyMode));
    for (const builder::RunParameterEntry* entry : builder::EntriesInCheckOrder())
        if (!builder::CheckedByBuild(*entry) && !builder::Meets(entry->requirement, r.Value(entry->id)))
            throw InputError(ParameterMessage(r, entry->id, builder::RequirementText(entry->requirement)));
}

// A real rounded to a whole parameter must round to a 32-bit whole number.
void ValidateRounding(const BuildRequest& r) {
    for (const builder::RunParameterEntry* entry : builder::EntriesInCheckOrder()) {
        if (entry->kind != builder::ValueKind::RoundedReal) continue;
        const double value = r.Value(entry->id);
        if (!(std::isfinite(value) && std::fabs(value) < std::numeric_limits<std::int32_t>::max()))
            throw InputError(std::string(entry->option) + " must be a number of " + entry->unit +
                             " that rounds to a 32-bit whole number" + Got(value));
    }
}

}  // namespace

void ValidateBuildRequest(const BuildRequest& r) {
    ValidateModeOptions(r);
    ValidateRounding(r);
    RequireThreadCount(r.Threads);
    try {
        builder::ValidateRunParameters(ToRunParameters(r));
    } catch (const builder::ParameterError& e) {
        throw InputError(ParameterMessage(r, e.parameter, e.requirement));
    }
}

std::string ParameterMessage(const BuildRequest& r, builder::Parameter parameter, const std::string& requirement) {
    return std::string(builder::EntryOf(parameter).option) + " " + requirement + Got(r.Value(parameter));
}

ParameterValues DefaultParameterValues() {
    ParameterValues values{};
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        values[static_cast<std::size_t>(entry.id)] = builder::DefaultValue(entry);
    return values;
}

builder::RunParameters ToRunParameters(const BuildRequest& r) {
    builder::RunParameters p;
    p.Mode = r.Mode;
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        builder::SetValue(entry, p, r.Value(entry.id));
    for (const builder::RunSwitchEntry& entry : builder::RunSwitchTable()) p.*entry.member = r.On(entry.id);
    return p;
}

}  // namespace tesmar
