#include "network/user_text.h"

namespace network {

std::string ShownText(std::string_view text, std::size_t most) {
    if (text.size() <= most) return std::string(text);
    return std::string(text.substr(0, most)) + "... (" + std::to_string(text.size()) + " characters)";
}

}  // namespace network
