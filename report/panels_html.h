// The report's text panels: the chosen sensors, the fitness of the chosen
// set, label/value tables and notes.
#pragma once

#include <string>
#include <vector>

#include "report/report_data.h"

namespace report {

// One row per sensor with its figures; IDs become buttons that find the
// node on the map when there is one.
void AppendSensorPanel(std::string& out, const ReportData& data, bool withMap);

// The fitness lines and the tail figures; nothing when both are empty.
void AppendFitnessPanel(std::string& out, const ReportData& data);

// A two-column table of labels and values.
void AppendKeyValueTable(std::string& out, const KeyValues& rows);

// A full-width card of notes; nothing when there are none.
void AppendNotesPanel(std::string& out, const std::vector<std::string>& notes);

}  // namespace report
