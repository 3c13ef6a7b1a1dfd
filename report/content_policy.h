// The page's content security policy: the browser runs only the page's own
// script and style sheet (identified by their digests) and fetches nothing,
// so even text that slipped past escaping could not run or load anything.
#pragma once

#include <string>
#include <string_view>

namespace report {

std::string ContentSecurityPolicy();

// "sha256-<base64>" source expression from a hex SHA-256 digest.
std::string HashSource(std::string_view hexDigest);

}  // namespace report
