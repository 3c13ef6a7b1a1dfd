// The toolkit keeps lengths in feet and volumes in cubic feet and reports
// them in the network's units, multiplied by a factor; the transport needs
// the values it keeps, bit for bit.
#pragma once

#include <optional>

namespace transport {

// The factors the toolkit reports with for a flow unit (EN_CFS .. EN_CMS).
struct ReportFactors {
    double length = 1.0;    // feet to the reported length
    double diameter = 12.0; // feet to the reported pipe diameter
    double volume = 1.0;    // cubic feet to the reported volume
};
ReportFactors ReportFactorsFor(int flowUnits);

// The value the toolkit keeps, given what it reports (kept * factor,
// rounded). The toolkit made the kept value by dividing the value it read
// by the same factor; every value within a few units in the last place of
// the reported one is tried as what it read, and the answer is the kept
// value all those consistent with the report agree on, or none when two differ.
std::optional<double> KeptValue(double reported, double factor);

}  // namespace transport
