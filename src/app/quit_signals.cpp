#include "quit_signals.h"

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> quitSignals{SIGTERM, SIGINT, SIGHUP};
// The handler may only write to a descriptor; the event loop reads the other end.
int pipeEnds[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] ssize_t written = write(pipeEnds[0], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (read(pipeEnds[1], bytes, sizeof bytes) > 0) {
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
    for (int& end : pipeEnds) {
        if (end >= 0) close(end);
        end = -1;
    }
}
