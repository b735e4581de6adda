// SPDX-License-Identifier: GPL-3.0-or-later
#include "quit_signals.h"

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/owned_fd.h"

namespace {

constexpr std::array<int, 3> quitSignals{SIGTERM, SIGINT, SIGHUP};
// The handler may only write to a descriptor; the event loop reads the other end.
OwnedFd pipeEnds[2];

void onSignal(int) {
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] ssize_t written = write(pipeEnds[0].get(), &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
    pipeEnds[0].reset(ends[0]);
    pipeEnds[1].reset(ends[1]);
    notifier_ = new QSocketNotifier(pipeEnds[1].get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (read(pipeEnds[1].get(), bytes, sizeof bytes) > 0) {
        }
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = ::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quitSignals)
        sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int signal : quitSignals)
        std::signal(signal, SIG_DFL);
    delete notifier_;
    for (OwnedFd& end : pipeEnds)
        end.reset();
}
