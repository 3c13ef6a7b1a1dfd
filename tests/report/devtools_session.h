// Driving a page in headless Chromium through the DevTools protocol on a
// pipe: evaluate script in the page, send it real mouse and wheel input.
// Used where loading and dumping the DOM is not enough: gestures, hover,
// frame timing.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "headless_browser.h"

namespace testing_support {

class DevToolsSession {
public:
    // Starts the browser, opens the page and waits until the page's script
    // finished (data-ready on the body). Null, with `problem` set, when the
    // browser cannot be driven here.
    static std::unique_ptr<DevToolsSession> Open(const HeadlessBrowser& browser, const std::string& url,
                                                 int width, int height, std::string& problem);
    ~DevToolsSession();
    DevToolsSession(const DevToolsSession&) = delete;
    DevToolsSession& operator=(const DevToolsSession&) = delete;

    // The value of a script expression (promises are awaited) as JSON text:
    // 12.5, "text", true. Throws std::runtime_error when the script throws.
    std::string Evaluate(const std::string& expression);
    double Number(const std::string& expression);
    std::string Text(const std::string& expression);  // a string result, unquoted

    // type: "mousePressed", "mouseMoved" or "mouseReleased"; the left button.
    void Mouse(const std::string& type, double x, double y, bool buttonDown);
    void Wheel(double x, double y, double deltaY);
    // Presses and releases an arrow key ("ArrowLeft", ...) in the focused element.
    void ArrowKey(const std::string& key, int virtualKeyCode);

private:
    DevToolsSession() = default;
    int Send(const std::string& method, const std::string& params, bool inSession = true);
    std::string Reply(int id);  // the reply to message id; events in between are dropped
    bool PageReady();

    pid_t child_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int nextId_ = 1;
    std::string pending_;
    std::string sessionId_;
    std::string profile_;
};

}  // namespace testing_support
