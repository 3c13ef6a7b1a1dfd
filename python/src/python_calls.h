// Python code called back while the libraries run with the interpreter
// released: each call takes the interpreter for its length. A Ctrl-C
// (Python's signal handlers run on the main thread when polled), an
// exception raised by a callback, or a callback that returns False asks the
// work to stop; the exception is raised once the work has ended whole.
#pragma once

#include <atomic>
#include <optional>

#include <nanobind/nanobind.h>

namespace tesmar::python {

class PythonCalls {
public:
    explicit PythonCalls(nanobind::object callback) : callback_(std::move(callback)) {}
    ~PythonCalls();
    PythonCalls(const PythonCalls&) = delete;
    PythonCalls& operator=(const PythonCalls&) = delete;

    // Runs the pending signal handlers (on the main thread; elsewhere Python
    // runs none); true when the work should stop. Called without the interpreter.
    bool StopRequested();
    // Calls the callback, when there is one, with the arguments; true when
    // the work should stop. Called without the interpreter.
    template <typename... Args>
    bool Call(Args&&... args) {
        if (stop_ || !callback_.is_valid() || callback_.is_none()) return stop_;
        nanobind::gil_scoped_acquire interpreter;
        try {
            nanobind::object answer = callback_(std::forward<Args>(args)...);
            if (answer.is(nanobind::bool_(false))) stop_ = true;
        } catch (nanobind::python_error& e) {
            Keep(e);
        }
        return stop_;
    }
    bool Stopped() const { return stop_; }
    // Raises the exception that stopped the work, if one did. With the interpreter.
    void RaiseIfAny();

private:
    void Keep(nanobind::python_error& e);

    nanobind::object callback_;
    std::atomic<bool> stop_{false};
    std::optional<nanobind::python_error> error_;
};

}  // namespace tesmar::python
