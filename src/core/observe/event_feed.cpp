// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/event_feed.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

// How long a fresh connection waits for the service's greeting.
constexpr int greetingMilliseconds = 200;

} // namespace

EventFeed::EventFeed(std::string socketPath, std::chrono::milliseconds silence, Dates::Clock clock)
    : socketPath_(std::move(socketPath)), silence_(silence), clock_(std::move(clock)) {}

std::vector<ConnectEvent> EventFeed::take(std::chrono::milliseconds wait) {
    std::vector<ConnectEvent> events;
    if (!socket_) connect();
    if (!socket_) return events;
    if (live() && wait.count() > 0) {
        pollfd ready{socket_.get(), POLLIN, 0};
        poll(&ready, 1, static_cast<int>(wait.count()));
    }
    if (!receive(events)) {
        // What came before the end still counts. An end before the greeting (a service stopped
        // while it started) is dropped too, or the socket would be kept, unread, for good.
        drop(State::lost, "the event service closed the connection");
        return events;
    }
    if (socket_ && clock_() - heard_ > silence_)
        drop(State::lost, "the event service stopped answering");
    return events;
}

void EventFeed::connect() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.empty() || socketPath_.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    OwnedFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
        state_ = State::absent;
        problem_.clear();
        return;
    }
    socket_ = std::move(fd);
    pending_.clear();
    heard_ = clock_();
    pollfd ready{socket_.get(), POLLIN, 0};
    poll(&ready, 1, greetingMilliseconds);
}

bool EventFeed::receive(std::vector<ConnectEvent>& events) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t count = recv(socket_.get(), buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        if (count == 0) return false;
        heard_ = clock_();
        pending_.append(buffer, static_cast<size_t>(count));
        size_t start = 0;
        for (size_t end; socket_ && (end = pending_.find('\n', start)) != std::string::npos;
             start = end + 1)
            handle(std::string_view(pending_).substr(start, end - start), events);
        if (!socket_) return true;
        pending_.erase(0, start);
        if (pending_.size() > kLongestLine) {
            drop(State::lost, "the event service wrote a line too long to be one of its own");
            return true;
        }
    }
}

void EventFeed::handle(std::string_view line, std::vector<ConnectEvent>& events) {
    std::optional<EventWire::Message> message = EventWire::read(line);
    if (!message) return drop(State::lost, "the event service wrote what is not an event");
    if (auto* hello = std::get_if<EventWire::Hello>(&*message)) {
        if (hello->version != EventWire::version)
            return drop(State::lost, "the event service speaks another version");
        state_ = State::live;
        problem_.clear();
    } else if (auto* beat = std::get_if<EventWire::Beat>(&*message)) {
        dropped_ = beat->dropped;
    } else if (auto* refusal = std::get_if<EventWire::Refusal>(&*message)) {
        drop(State::refused, refusal->reason);
    } else if (auto* event = std::get_if<ConnectEvent>(&*message); event && live()) {
        events.push_back(std::move(*event));
    }
}

void EventFeed::drop(State state, std::string problem) {
    socket_.reset();
    pending_.clear();
    state_ = state;
    problem_ = std::move(problem);
}
