// SHA-256 digests, in lower-case hexadecimal.
#pragma once

#include <string>
#include <string_view>

namespace network {

std::string Sha256Hex(std::string_view bytes);

}  // namespace network
