// The number forms of the matrix files.
#pragma once

#include <string>

namespace matrix {

// Plain decimal text of a single: at most 7 significant digits, "." as the
// separator whatever the locale, no trailing zeros, exponent form outside
// 1E-04 .. 9999999 (1.234568E+07), "0" for minus zero.
std::string FormatSingle(float value);

// The same, appended to text.
void AppendSingle(std::string& text, float value);

}  // namespace matrix
