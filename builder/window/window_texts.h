// Texts of the builder window that its users know word for word; kept as
// they are, spelling included, on purpose.
#pragma once

namespace builder::window::texts {

inline constexpr const char* kWindowTitle = "Tesmar - Bulid injection data";
inline constexpr const char* kRunEnded = "Run ended - program will terminate";
inline constexpr const char* kRunStopped = "Run is stoped";

}  // namespace builder::window::texts
