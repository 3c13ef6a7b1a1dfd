// Texts of the evaluator window that its users know word for word; kept as
// they are, spelling included, on purpose.
#pragma once

namespace fentaro::texts {

inline constexpr const char* kWindowTitle = "Temsar - Calculate fitness";
inline constexpr const char* kProjectLine = "Temsar - sensor placement for drinking-water networks";
inline constexpr const char* kSupportLine = "Support: the Temsar water network modelling team";

}  // namespace fentaro::texts
