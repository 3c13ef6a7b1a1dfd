// Small networks that exercise what the transport engine must reproduce:
// a tank filling and draining, a pump switched by the tank's level, a pipe
// closed and reopened, a reservoir whose head follows a pattern (so a pipe's
// flow turns round), a junction with negative demand, and a valve.
#pragma once

#include <string>

namespace transport_testing {

struct NetworkOptions {
    std::string flowUnits = "GPM";
    std::string valveType = "PRV";
    std::string valveSetting = "40";
    std::string mixing = "MIXED";
    std::string mixFraction = "0.4";  // of the 2COMP tank's full volume
    std::string tankLevels = "15 1 40";  // initial, minimum and maximum level
    std::string hydraulicStep = "1:00";
    std::string qualityStep = "0:05";
    std::string reportStep = "1:00";
    double bulk = 0.0;             // global bulk reaction coefficient
    double tolerance = 0.01;
    bool tankControls = true;      // the pump follows the tank's level
};

std::string TestNetwork(const NetworkOptions& options = {});

}  // namespace transport_testing
