// The page's script and style sheet (page_script.js, page_style.css), built
// into the library so a report needs no files beside the program.
#pragma once

#include <string_view>

namespace report {

struct PageAsset {
    std::string_view text;
    std::string_view sha256;  // hex digest of text, for the content security policy
};

PageAsset PageScript();
PageAsset PageStyle();

}  // namespace report
