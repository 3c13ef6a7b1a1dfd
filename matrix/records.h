// The records of a matrix set, encoded once per event and then written to
// every file of the set.
//
// Text files: every record is one CRLF-ended line in which every field, the
// last one included, is followed by a comma. The header names the nodes;
// each event record describes up to three injections (node ID, start step,
// mass inflow; 999 in each field of a slot without one) and then holds one
// value per node, in node order.
// Binary files: one row of cells per event, each the single-precision value
// a reader of the text gets.
// Event summary: one CSV line per event with all its injections and its
// impact when no sensor detects it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace matrix {

inline constexpr int kDescriptionFields = 9;
inline constexpr int kDescribedInjections = 3;
inline constexpr int kNoDescription = 999;

// A value the files cannot hold (not finite); nothing was encoded.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One injection of an event.
struct InjectionColumns {
    std::string_view nodeId;
    std::int32_t step = 0;    // start, in quality steps
    float massFlow = 0.0f;    // mg/min
};

// One event's results, one value per node in node order, and what it does
// when no sensor detects it.
struct EventValues {
    std::span<const std::uint8_t> detected;  // .z4
    std::span<const float> z1, z2, z3;       // .z1 .. .z3
    bool withZ2 = true;                      // false: no .z2 record
    std::int64_t eventNumber = 0;            // from 1
    std::optional<float> undetectedPeople;   // people affected by the end; none without Z2
    float undetectedVolume = 0.0f;           // contaminated volume consumed by the end
};

// One event's records, ready to be written.
struct EncodedEvent {
    std::array<std::string, 5> text;             // text[k] for ".zk"
    std::vector<std::uint8_t> detected;          // the binary row of ".z4"
    std::array<std::vector<float>, 4> values;    // values[k], the binary rows of ".z1" .. ".z3"
    std::string summary;                         // the line of the event summary
};

// The header record of every matrix text file.
std::string HeaderRecord(std::span<const std::string> nodeIds);

// The first line of the event summary.
std::string SummaryHeader();

// Encodes an event's records into out, reusing its buffers. All injections
// go into the summary; the text records describe the first three. Throws
// RecordError for a value that is not a finite number.
void EncodeEvent(std::span<const InjectionColumns> injections, const EventValues& values, EncodedEvent& out);

}  // namespace matrix
