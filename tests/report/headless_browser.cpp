#include "headless_browser.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

constexpr int kTimeLimitSeconds = 90;
constexpr const char* kDefaultExecutable = "/usr/bin/chromium";

std::string Tail(const std::string& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    return all.size() > bytes ? all.substr(all.size() - bytes) : all;
}

// Reads the child's output until it closes it or the time is up.
bool ReadUntilClosed(int fd, std::string& output) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        output.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

std::optional<HeadlessBrowser> HeadlessBrowser::Find() {
    const char* configured = std::getenv("TESMAR_CHROMIUM");
    std::string executable = configured && *configured ? configured : kDefaultExecutable;
    if (::access(executable.c_str(), X_OK) != 0) return std::nullopt;
    return HeadlessBrowser(executable);
}

BrowserRun HeadlessBrowser::DumpDom(const std::string& url, int width, int height) const {
    return Run(url, "--dump-dom", width, height);
}

BrowserRun HeadlessBrowser::Screenshot(const std::string& url, const std::string& pngPath, int width,
                                       int height) const {
    return Run(url, "--screenshot=" + pngPath, width, height);
}

std::optional<std::string> HeadlessBrowser::Unusable() const {
    BrowserRun run = DumpDom("data:text/html,<body><script>document.body.dataset.ran='yes'</script></body>");
    if (!run.ok) return run.problem;
    if (AttributeOf(run.output, "<body", "data-ran") != "yes") return "the browser ran no script";
    return std::nullopt;
}

std::vector<std::string> HeadlessBrowser::Arguments(const std::string& profile, int width, int height) const {
    return {executable_,
            "--headless",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--no-first-run",
            "--hide-scrollbars",
            "--user-data-dir=" + profile,
            "--window-size=" + std::to_string(width) + "," + std::to_string(height)};
}

BrowserRun HeadlessBrowser::Run(const std::string& url, const std::string& modeFlag, int width, int height) const {
    BrowserRun run;
    std::string profile = (fs::temp_directory_path() / "tesmar-chromium-XXXXXX").string();
    if (!::mkdtemp(profile.data())) {
        run.problem = "cannot create a profile folder";
        return run;
    }
    std::string messages = profile + "/messages.txt";
    std::vector<std::string> args = Arguments(profile, width, height);
    args.push_back(modeFlag);
    args.push_back(url);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        run.problem = "cannot create a pipe";
        fs::remove_all(profile);
        return run;
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);  // its helper processes share the group, so a time-out ends them all
        ::dup2(pipeFds[1], STDOUT_FILENO);
        int err = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) ::dup2(err, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    bool finished = child > 0 && ReadUntilClosed(pipeFds[0], run.output);
    ::close(pipeFds[0]);
    int status = 0;
    if (child > 0) {
        if (!finished) ::kill(-child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    run.ok = finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok)
        run.problem = std::string(child < 0 ? "cannot start " : !finished ? "time limit reached running " : "failed: ") +
                      executable_ + "\n" + Tail(messages, 1500);
    fs::remove_all(profile);
    return run;
}

std::string FileUrl(const std::string& path, const std::string& fragment) {
    std::string url = "file://";
    for (char c : fs::absolute(path).string()) {
        if (c == ' ' || c == '#' || c == '%' || c == '?') {
            url += '%';
            url += "0123456789ABCDEF"[(c >> 4) & 0xF];
            url += "0123456789ABCDEF"[c & 0xF];
        } else {
            url += c;
        }
    }
    return fragment.empty() ? url : url + "#" + fragment;
}

namespace {

std::string ResolveReferences(const std::string& raw) {
    static const std::pair<std::string_view, std::string_view> kReferences[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", "\u00a0"}};
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        bool replaced = false;
        for (const auto& [reference, text] : kReferences) {
            if (raw.compare(i, reference.size(), reference) == 0) {
                value += text;
                i += reference.size() - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) value += raw[i];
    }
    return value;
}

}  // namespace

// Walks the start tag's attributes as the serialiser writes them: name="value",
// where the value holds no '"' but may hold '>'.
std::optional<std::string> AttributeOf(const std::string& dom, const std::string& tagStart, const std::string& name) {
    std::size_t at = dom.find(tagStart);
    if (at == std::string::npos) return std::nullopt;
    at += tagStart.size();
    while (at < dom.size()) {
        at = dom.find_first_not_of(" \t\n", at);
        if (at == std::string::npos || dom[at] == '>' || dom[at] == '/') return std::nullopt;
        std::size_t nameEnd = dom.find_first_of("= \t\n>", at);
        if (nameEnd == std::string::npos) return std::nullopt;
        std::string attribute = dom.substr(at, nameEnd - at);
        at = nameEnd;
        if (dom[at] != '=') continue;
        std::size_t valueEnd = dom.find('"', at + 2);
        if (dom[at + 1] != '"' || valueEnd == std::string::npos) return std::nullopt;
        if (attribute == name) return ResolveReferences(dom.substr(at + 2, valueEnd - at - 2));
        at = valueEnd + 1;
    }
    return std::nullopt;
}

}  // namespace testing_support
