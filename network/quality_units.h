// The concentration units a network file declares for its chemical. The
// toolkit reports "mg/L" whatever the file says, so the [OPTIONS] line
// "Quality <chemical> <units>" is read from the text itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace network {

// The units token of the last Quality line of [OPTIONS] that names a
// chemical; nothing when there is no such line or it gives no units.
std::optional<std::string> DeclaredQualityUnits(std::string_view inpText);

}  // namespace network
