// The water-quality analysis a build runs. Its measures are in mg/L, so the
// network must define a chemical in mg/L; `tesmar build --chemical` runs one
// whatever the network defines, through the toolkit's own setting, with the
// network file untouched and its reaction coefficients as they are.
#pragma once

#include "builder/run_parameters.h"
#include "network/netload.h"
#include "network/project.h"

namespace builder {

// Whether the network defines the chemical analysis in mg/L a build needs.
bool DefinesChemicalInMgPerL(const network::QualityAnalysis& quality);

// Whether the build replaces the network's analysis by a chemical in mg/L.
bool ReplacesAnalysis(const network::Network& net, const RunParameters& parameters);

// In a project just opened for the build: when the analysis is replaced,
// a chemical in mg/L that no node holds at the start (the initial values
// the network gives belong to its own analysis: ages, percentages, ug/L).
void SetStudyAnalysis(network::Project& project, const network::Network& net, const RunParameters& parameters);

// Whether a chemical would react in the network: any pipe with a bulk or
// wall coefficient, or any tank with a bulk coefficient, that is not zero
// (the network's global coefficients are those of every pipe and tank that
// gives none of its own).
bool ChemicalReacts(const network::Network& net);

}  // namespace builder
