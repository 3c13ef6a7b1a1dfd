// Work that runs the simulation toolkit, done on a thread of its own that
// stands in a private workspace (network::EnteredWorkspace): the toolkit
// names its scratch files in the current folder. The thread that asked,
// a Python thread, never leaves the folder the whole process shares, so
// os.chdir there still moves every thread of the interpreter.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <utility>

#include "network/scratch_folder.h"

namespace tesmar::python {

// Runs work and returns what it returns or throws what it throws. While
// waiting, the asking thread runs `waiting` every tenth of a second (Python
// runs its signal handlers on the main thread alone).
template <typename Work>
auto InOwnWorkspace(Work&& work, const std::function<void()>& waiting = {}) -> decltype(work()) {
    using Result = decltype(work());
    std::promise<Result> promise;
    std::future<Result> done = promise.get_future();
    std::thread runner([&] {
        try {
            std::optional<Result> result;
            {
                network::EnteredWorkspace workspace;  // left and removed before the answer is given
                result.emplace(work());
            }
            promise.set_value(std::move(*result));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    });
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        if (waiting) waiting();
    runner.join();
    return done.get();
}

}  // namespace tesmar::python
