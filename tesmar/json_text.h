// The numbers in the JSON text tesmar writes with base::JsonWriter, whose
// strings go through base::AppendJsonString.
#pragma once

#include <string>

namespace tesmar {

// The shortest text that reads back as the same single-precision value;
// "null" for a value JSON cannot hold (infinity, not a number).
std::string JsonNumber(float value);

// A double with 17 significant digits, which always reads back as the same
// value ("0.94999999999999996"); "null" for a value JSON cannot hold.
std::string JsonDouble(double value);

}  // namespace tesmar
