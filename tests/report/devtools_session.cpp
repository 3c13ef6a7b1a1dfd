#include "devtools_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

constexpr int kReplySeconds = 60;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The string value that follows `"key":"` in a message, unescaped (the
// browser writes characters beyond ASCII as \u escapes).
std::string StringField(const std::string& message, const std::string& key) {
    std::string needle = "\"" + key + "\":\"";
    std::size_t at = message.find(needle);
    if (at == std::string::npos) return "";
    std::string value;
    for (std::size_t i = at + needle.size(); i < message.size() && message[i] != '"'; ++i) {
        if (message[i] != '\\' || i + 1 >= message.size()) {
            value += message[i];
            continue;
        }
        char next = message[++i];
        if (next != 'u') {
            value += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
            continue;
        }
        unsigned code = static_cast<unsigned>(std::stoul(message.substr(i + 1, 4), nullptr, 16));
        i += 4;
        if (code >= 0xD800 && code < 0xDC00 && message.compare(i + 1, 2, "\\u") == 0) {
            unsigned low = static_cast<unsigned>(std::stoul(message.substr(i + 3, 4), nullptr, 16));
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
        }
        AppendUtf8(value, code);
    }
    return value;
}

// The JSON value after "value": in an evaluation's result.
std::string ValueText(const std::string& reply) {
    std::size_t at = reply.find("\"value\":");
    if (at == std::string::npos) return "undefined";
    at += 8;
    if (reply[at] != '"') return reply.substr(at, reply.find_first_of(",}", at) - at);
    std::size_t end = at + 1;
    while (end < reply.size() && reply[end] != '"') end += reply[end] == '\\' ? 2 : 1;
    return reply.substr(at, end + 1 - at);
}

}  // namespace

std::unique_ptr<DevToolsSession> DevToolsSession::Open(const HeadlessBrowser& browser, const std::string& url,
                                                       int width, int height, std::string& problem) {
    std::unique_ptr<DevToolsSession> session(new DevToolsSession());
    session->profile_ = (fs::temp_directory_path() / "tesmar-devtools-XXXXXX").string();
    if (!::mkdtemp(session->profile_.data())) {
        problem = "cannot create a profile folder";
        return nullptr;
    }
    std::vector<std::string> args = browser.Arguments(session->profile_, width, height);
    args.push_back("--remote-debugging-pipe");
    args.push_back("about:blank");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string messages = session->profile_ + "/messages.txt";
    int commands[2], replies[2];
    if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0) {
        problem = "cannot create pipes";
        return nullptr;
    }
    session->child_ = ::fork();
    if (session->child_ == 0) {
        ::setpgid(0, 0);
        // The browser reads commands on descriptor 3 and writes replies on 4.
        int in = ::fcntl(commands[0], F_DUPFD, 10), out = ::fcntl(replies[1], F_DUPFD, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
        int log = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(commands[0]);
    ::close(replies[1]);
    session->toBrowser_ = commands[1];
    session->fromBrowser_ = replies[0];
    ::signal(SIGPIPE, SIG_IGN);
    try {
        std::string target = StringField(session->Reply(session->Send("Target.createTarget",
                                                                           "{\"url\":" + Quoted(url) + "}", false)),
                                         "targetId");
        std::string attached = session->Reply(session->Send(
            "Target.attachToTarget", "{\"targetId\":" + Quoted(target) + ",\"flatten\":true}", false));
        session->sessionId_ = StringField(attached, "sessionId");
        if (session->sessionId_.empty()) throw std::runtime_error("no session: " + attached);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kReplySeconds);
        while (!session->PageReady()) {
            if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the page never got ready");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    } catch (const std::exception& e) {
        problem = e.what();
        return nullptr;
    }
    return session;
}

DevToolsSession::~DevToolsSession() {
    if (toBrowser_ >= 0) ::close(toBrowser_);
    if (fromBrowser_ >= 0) ::close(fromBrowser_);
    if (child_ > 0) {
        ::kill(-child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    std::error_code ec;
    if (!profile_.empty()) fs::remove_all(profile_, ec);
}

// While the page loads its context may go away under an evaluation.
bool DevToolsSession::PageReady() {
    try {
        return Evaluate("location.protocol !== 'about:' && document.readyState === 'complete' && "
                        "document.body.hasAttribute('data-ready')") == "true";
    } catch (const std::runtime_error&) {
        return false;
    }
}

int DevToolsSession::Send(const std::string& method, const std::string& params, bool inSession) {
    int id = nextId_++;
    std::string message = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params;
    if (inSession) message += ",\"sessionId\":" + Quoted(sessionId_);
    message += '}';
    message += '\0';
    for (std::size_t sent = 0; sent < message.size();) {
        ssize_t n = ::write(toBrowser_, message.data() + sent, message.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("the browser closed its pipe");
        sent += static_cast<std::size_t>(n);
    }
    return id;
}

std::string DevToolsSession::Reply(int id) {
    std::string prefix = "{\"id\":" + std::to_string(id) + ",";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kReplySeconds);
    for (;;) {
        for (std::size_t end; (end = pending_.find('\0')) != std::string::npos;) {
            std::string message = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (message.rfind(prefix, 0) == 0) return message;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fromBrowser_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("no reply from the browser");
        char buffer[65536];
        ssize_t got = ::read(fromBrowser_, buffer, sizeof buffer);
        if (got <= 0) throw std::runtime_error("the browser closed its pipe");
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string DevToolsSession::Evaluate(const std::string& expression) {
    std::string reply = Reply(Send("Runtime.evaluate", "{\"expression\":" + Quoted(expression) +
                                                           ",\"awaitPromise\":true,\"returnByValue\":true}"));
    bool failed = reply.compare(reply.find(',') + 1, 8, "\"error\":") == 0;
    if (failed || reply.find("\"exceptionDetails\"") != std::string::npos)
        throw std::runtime_error("script failed: " + reply.substr(0, 600));
    return ValueText(reply);
}

double DevToolsSession::Number(const std::string& expression) { return std::stod(Evaluate(expression)); }

std::string DevToolsSession::Text(const std::string& expression) {
    std::string value = Evaluate(expression);
    if (value.size() < 2 || value.front() != '"') throw std::runtime_error("not a string: " + value);
    return StringField("{\"v\":" + value, "v");
}

void DevToolsSession::Mouse(const std::string& type, double x, double y, bool buttonDown) {
    std::string params = "{\"type\":\"" + type + "\",\"x\":" + std::to_string(x) + ",\"y\":" + std::to_string(y) +
                         ",\"button\":\"" + (type == "mouseMoved" && !buttonDown ? "none" : "left") +
                         "\",\"buttons\":" + (buttonDown ? "1" : "0") + ",\"clickCount\":1}";
    Reply(Send("Input.dispatchMouseEvent", params));
}

void DevToolsSession::Wheel(double x, double y, double deltaY) {
    Reply(Send("Input.dispatchMouseEvent", "{\"type\":\"mouseWheel\",\"x\":" + std::to_string(x) +
                                               ",\"y\":" + std::to_string(y) +
                                               ",\"deltaX\":0,\"deltaY\":" + std::to_string(deltaY) + "}"));
}

void DevToolsSession::ArrowKey(const std::string& key, int virtualKeyCode) {
    for (const char* type : {"rawKeyDown", "keyUp"})
        Reply(Send("Input.dispatchKeyEvent", std::string("{\"type\":\"") + type + "\",\"key\":\"" + key +
                                                 "\",\"code\":\"" + key + "\",\"windowsVirtualKeyCode\":" +
                                                 std::to_string(virtualKeyCode) + "}"));
}

}  // namespace testing_support
