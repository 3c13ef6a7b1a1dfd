#include "report/content_policy.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "report/page_assets.h"

namespace report {

namespace {

std::vector<std::uint8_t> BytesFromHex(std::string_view hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw std::invalid_argument("not a hex digest");
    };
    if (hex.size() % 2 != 0) throw std::invalid_argument("not a hex digest");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(nibble(hex[i]) * 16 + nibble(hex[i + 1])));
    return bytes;
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= bytes[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return out;
}

}  // namespace

std::string HashSource(std::string_view hexDigest) { return "sha256-" + Base64(BytesFromHex(hexDigest)); }

std::string ContentSecurityPolicy() {
    return "default-src 'none'; script-src '" + HashSource(PageScript().sha256) + "'; style-src '" +
           HashSource(PageStyle().sha256) + "'; img-src data:; base-uri 'none'; form-action 'none'";
}

}  // namespace report
