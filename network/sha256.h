// SHA-256 digests, in lower-case hexadecimal.
#pragma once

#include <string>
#include <string_view>

namespace network {

std::string Sha256Hex(std::string_view bytes);

// A digest's bytes in lower-case hexadecimal.
std::string DigestHex(const unsigned char* digest, unsigned int length);

}  // namespace network
