// The records of the matrix text files.
//
// Every record is one CRLF-ended line in which every field, the last one
// included, is followed by a comma. The header names the nodes; each event
// record describes up to three injections (node ID, start step, mass
// inflow; 999 in each field of a slot without one) and then holds one value
// per node, in node order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace matrix {

inline constexpr int kDescriptionFields = 9;
inline constexpr int kDescribedInjections = 3;
inline constexpr int kNoDescription = 999;

// A value the files cannot hold (not finite); nothing was encoded.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One injection of an event as the description fields give it.
struct InjectionColumns {
    std::string_view nodeId;
    std::int32_t step = 0;    // start, in quality steps
    float massFlow = 0.0f;    // mg/min
};

// One event's results, one value per node in node order.
struct EventValues {
    std::span<const std::uint8_t> detected;  // .z4
    std::span<const float> z1, z2, z3;       // .z1 .. .z3
    bool withZ2 = true;                      // false: no .z2 record
};

// One event's records, ready to be written: text[k] for ".zk".
struct EncodedEvent {
    std::array<std::string, 5> text;
};

// The header record of every matrix file.
std::string HeaderRecord(std::span<const std::string> nodeIds);

// Encodes an event's records into out, reusing its buffers. Throws
// RecordError for a value that is not a finite number.
void EncodeEvent(std::span<const InjectionColumns> injections, const EventValues& values, EncodedEvent& out);

}  // namespace matrix
