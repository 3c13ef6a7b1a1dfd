// Reading the event summary back: each event's impact when no sensor
// detects it, the penalty of the events a sensor set misses.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace matrix {

class SummaryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct EventSummary {
    // Per event, 0-based: people affected by the end (NaN for all events of
    // a set built without Z2) and contaminated volume consumed by then.
    std::vector<double> undetectedPeople;
    std::vector<double> undetectedVolume;
    bool hasPeople = false;
};

// The fields of a summary line; a quoted field (the injection list) may
// hold commas.
std::vector<std::string_view> SummaryFields(std::string_view line);

// The first nEvents lines of the event summary beside the network; nothing
// when there is no summary. Throws SummaryError naming the line when it is
// malformed or holds fewer events.
std::optional<EventSummary> ReadEventSummary(const std::string& networkPath, std::int32_t nEvents);

}  // namespace matrix
