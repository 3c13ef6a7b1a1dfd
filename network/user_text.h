// A user's text (an ID, an option value) as messages quote it: whole when
// short, cut with its length when long, so a message stays readable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace network {

inline constexpr std::size_t kShownCharacters = 100;

// "J10", or the first kShownCharacters characters, "..." and "(102400 characters)".
std::string ShownText(std::string_view text, std::size_t most = kShownCharacters);

}  // namespace network
