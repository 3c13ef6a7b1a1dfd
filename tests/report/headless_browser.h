// Running the system's headless Chromium on a page: its DOM after the
// page's scripts ran, or a screenshot. Each run gets a fresh profile folder
// and no network activity of its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct BrowserRun {
    bool ok = false;      // exited with 0 within the time limit
    std::string output;   // standard output: the DOM for DumpDom
    std::string problem;  // why it failed, with the end of Chromium's messages
};

class HeadlessBrowser {
public:
    // $TESMAR_CHROMIUM, else /usr/bin/chromium, when executable.
    static std::optional<HeadlessBrowser> Find();

    explicit HeadlessBrowser(std::string executable) : executable_(std::move(executable)) {}

    BrowserRun DumpDom(const std::string& url, int width = 1400, int height = 1000) const;
    BrowserRun Screenshot(const std::string& url, const std::string& pngPath, int width, int height) const;

    // Whether the browser starts and runs a trivial page's script here;
    // the problem otherwise.
    std::optional<std::string> Unusable() const;

    const std::string& Executable() const { return executable_; }

    // The command line before the mode flag and address: headless, no
    // sandbox, no background networking, the given profile and window.
    std::vector<std::string> Arguments(const std::string& profile, int width, int height) const;

private:
    BrowserRun Run(const std::string& url, const std::string& modeFlag, int width, int height) const;

    std::string executable_;
};

// file:// address of a local file, with an optional fragment ("figure=1").
std::string FileUrl(const std::string& path, const std::string& fragment = "");

// The value of attribute `name` on the first element whose start tag holds
// `tagStart` (e.g. "<body"), with character references resolved; nullopt
// when there is no such element or attribute.
std::optional<std::string> AttributeOf(const std::string& dom, const std::string& tagStart, const std::string& name);

}  // namespace testing_support
