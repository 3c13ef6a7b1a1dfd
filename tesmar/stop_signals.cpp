#include "tesmar/stop_signals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace tesmar {

StopSignals::StopSignals(bool withUsr1) {
    sigemptyset(&signals_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal);
    if (withUsr1) sigaddset(&signals_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals_, &previousMask_);
    signalFd_ = ::signalfd(-1, &signals_, SFD_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || wakeFd_ < 0) {
        if (signalFd_ >= 0) ::close(signalFd_);
        if (wakeFd_ >= 0) ::close(wakeFd_);
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        throw std::runtime_error("cannot watch the stop signals");
    }
    watcher_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
    const std::uint64_t one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0) {
        // The watcher then ends with the process; nothing else to do.
    }
    watcher_.join();
    ::close(signalFd_);
    ::close(wakeFd_);
    // Signals that came after the last one was read stay pending until the
    // mask is restored, and then act as usual.
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void StopSignals::Watch() {
    pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        signalfd_siginfo info{};
        if (::read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
        if (info.ssi_signo == SIGUSR1) {
            usr1_ = true;
            continue;
        }
        if (received_.fetch_add(1) == 0) continue;
        // A second signal: its default action, which ends the program.
        const int signal = static_cast<int>(info.ssi_signo);
        ::signal(signal, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(signal);
    }
}

}  // namespace tesmar
