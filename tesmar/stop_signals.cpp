#include "tesmar/stop_signals.h"

#include <atomic>
#include <csignal>

#include "builder/run_parameters.h"

namespace tesmar {

namespace {

// Both flags are written from the handler, so both must be lock-free atomics.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> gStopSignal{false};

extern "C" void OnStopSignal(int) {
    gStopSignal.store(true);
    builder::StopRequested.store(true);
}

void Install(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
    gStopSignal = false;
    // SA_RESETHAND: a second signal meets the default action and ends the program.
    for (int signal : {SIGINT, SIGTERM}) Install(signal, OnStopSignal, SA_RESETHAND | SA_RESTART);
}

StopSignals::~StopSignals() {
    for (int signal : {SIGINT, SIGTERM}) Install(signal, SIG_DFL, 0);
}

bool StopSignals::Received() { return gStopSignal.load(); }

void StopSignals::Forward() {
    if (gStopSignal.load()) builder::StopRequested.store(true);
}

}  // namespace tesmar
