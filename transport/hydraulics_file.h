// The toolkit's saved hydraulics as its quality solver reads them back:
// single-precision demands and flows of each hydraulic period, widened to
// double, with the flow of a closed link forced to zero.
#pragma once

#include <string>
#include <vector>

namespace transport {

struct HydraulicPeriod {
    long time = 0;  // seconds from the start
    long step = 0;  // until the next period; 0 for the last
    std::vector<double> demand;  // [1..nNodes]
    std::vector<double> flow;    // [1..nLinks]
};

// Reads the hydraulics file the toolkit saved for a network of nNodes and
// nLinks; throws std::runtime_error when it is not one.
std::vector<HydraulicPeriod> ReadHydraulicsFile(const std::string& path, int nNodes, int nLinks);

}  // namespace transport
