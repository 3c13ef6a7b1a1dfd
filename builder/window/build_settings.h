// The window's parameter fields and how "Build data" turns them into the
// builder's run parameters, free of any window code.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "builder/run_parameter_table.h"
#include "builder/run_parameters.h"

namespace builder::window {

// The texts of the twelve parameter fields.
struct FieldTexts {
    std::string Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9, Text10, Text11, Text12;

    // The field TextN of a table entry's windowField N.
    std::string& Field(int n);
    const std::string& Field(int n) const;
};

// The texts the fields hold when the window opens.
FieldTexts DefaultFieldTexts();

// The fields read into the types of the run parameters they feed, by
// builder::Parameter.
using FieldValues = std::array<double, kParameterCount>;

// Reads every field of the run parameter table, in its check order; throws
// FieldError for the first value that does not fit its parameter, before
// anything is changed.
FieldValues ReadFields(const FieldTexts& texts);

// Copies the values into the run parameters.
void ApplyFields(const FieldValues& values, RunParameters& parameters);

// The number of events the window expects for a mode on a network of
// nNodes nodes and the given quality step: nodes x 24 in 32-bit integers and
// the rest in double precision for all nodes and all times (an estimate the
// build replaces with the exact count), nodes x RepeatCount for all nodes X
// times, nRandomEvents for random events. Throws FieldError when it does not
// fit a 32-bit count.
std::int32_t ExpectedEventCount(EventMode mode, std::int32_t nNodes, std::int32_t qualStep,
                                const RunParameters& parameters);

}  // namespace builder::window
