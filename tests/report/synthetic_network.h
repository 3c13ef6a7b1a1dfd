// Report data for made-up networks of any size, shaped like real ones: nodes
// on a jittered grid, a connected mesh of pipes with some bends, a few
// reservoirs, tanks, pumps and valves, two per-node figures, a trade-off
// curve and the text panels. Deterministic for a given seed.
#pragma once

#include "report/report_data.h"

namespace testing_support {

struct NetworkShape {
    int nodes = 150;
    int links = 200;
    int reservoirs = 2;
    int tanks = 3;
    int pumps = 2;
    int valves = 3;
    int sensors = 5;
    double bentShare = 0.1;  // share of pipes with vertices
    unsigned seed = 1;
};

// Network 1's size and network 2's size (16,338 nodes, 21,048 links).
NetworkShape SmallNetwork();
NetworkShape LargeNetwork();

report::ReportData SyntheticReport(const NetworkShape& shape);

// The same report with every coordinate removed.
report::ReportData WithoutCoordinates(report::ReportData data);

}  // namespace testing_support
