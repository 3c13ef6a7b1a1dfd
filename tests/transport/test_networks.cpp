#include "test_networks.h"

#include <sstream>

namespace transport_testing {

std::string TestNetwork(const NetworkOptions& o) {
    std::ostringstream s;
    s << "[TITLE]\ntransport test network\n\n"
         "[JUNCTIONS]\n"
         " J1 10 30 P1\n J2 12 40 P1\n J3 8 20 P1\n J4 15 35 P1\n J5 5 25 P1\n J6 6 30 P1\n"
         " J7 4 15 P1\n J8 9 -20 P1\n J9 3 10 P1\n J10 2 12 P1\n\n"
         "[RESERVOIRS]\n R1 95\n R2 120 HP\n\n"
         "[TANKS]\n T1 80 " << o.tankLevels << " 25 0\n\n"
         "[PIPES]\n"
         " P1 R1 J1 300 16 120\n"
         " P2 J1 J2 800 12 110\n P3 J2 J3 700 10 110\n P4 J3 J4 900 10 110\n P5 J4 J1 600 8 110\n"
         " P6 J2 J5 500 8 110\n P7 J5 J6 650 8 110\n P8 J6 J3 720 6 110\n P9 J3 T1 400 10 120\n"
         " P10 J6 J7 550 8 110\n P11 R2 J7 800 10 120\n P12 J7 J8 450 6 110\n P13 J8 J4 500 6 110\n"
         " P14 J9 J10 300 6 110\n P15 J10 J7 350 6 110\n\n"
         "[PUMPS]\n PU1 J1 J9 HEAD C1\n\n"
         "[VALVES]\n V1 J5 J10 6 " << o.valveType << " " << o.valveSetting << " 0\n\n"
         "[PATTERNS]\n P1 0.6 0.8 1.2 1.4 1.1 0.9\n HP 1.0 0.75 0.6 0.95 1.05 0.7\n\n"
         "[CURVES]\n C1 100 80\n GV 0 0\n GV 50 5\n GV 200 20\n\n"
         "[CONTROLS]\n LINK P6 CLOSED AT TIME 5\n LINK P6 OPEN AT TIME 9\n";
    if (o.tankControls) s << " LINK PU1 OPEN IF NODE T1 BELOW 14\n LINK PU1 CLOSED IF NODE T1 ABOVE 17\n";
    s << "\n[REACTIONS]\n Global Bulk " << o.bulk << "\n Global Wall 0\n\n"
         "[MIXING]\n T1 " << o.mixing << (o.mixing == "2COMP" ? " " + o.mixFraction : "") << "\n\n"
         "[TIMES]\n Duration 24:00\n Hydraulic Timestep " << o.hydraulicStep << "\n Quality Timestep "
      << o.qualityStep << "\n Pattern Timestep 2:00\n Report Timestep " << o.reportStep
      << "\n Report Start 0:00\n\n"
         "[OPTIONS]\n Units " << o.flowUnits << "\n Headloss H-W\n Quality Chemical mg/L\n Tolerance "
      << o.tolerance << "\n Unbalanced Continue 10\n\n[END]\n";
    return s.str();
}

}  // namespace transport_testing
