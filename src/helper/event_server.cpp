// SPDX-License-Identifier: GPL-3.0-or-later
#include "event_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "observe/connect_event.h"

Result<EventServer> EventServer::listen(const std::string& path, uid_t user, Limits limits) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return Error{ENAMETOOLONG, "no socket can be made at " + path};
    std::memcpy(address.sun_path, path.data(), path.size());
    OwnedFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return Error::fromErrno("cannot make a socket");
    unlink(path.c_str());
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Error::fromErrno("cannot make the socket " + path);
    // Anyone may connect: who is let in is decided by the peer's credentials, not the file's mode,
    // so that anyone else hears why not.
    if (chmod(path.c_str(), 0666) != 0 || ::listen(fd.get(), 16) != 0)
        return Error::fromErrno("cannot open the socket " + path);
    return EventServer(std::move(fd), user, limits);
}

bool EventServer::accept() {
    // A bounded number at once, so that a flood of connections cannot hold the loop here.
    for (int taken = 0; taken < 64; ++taken) {
        OwnedFd fd(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (fd) {
            admit(std::move(fd));
        } else if (errno != EINTR && errno != ECONNABORTED) {
            return errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM;
        }
    }
    return true;
}

void EventServer::admit(OwnedFd fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    std::optional<uid_t> uid;
    if (getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0) uid = peer.uid;
    if (std::string reason = refusal(uid); !reason.empty()) {
        std::string line = EventWire::line(EventWire::Refusal{reason});
        // A refused client gets its one line if its socket takes it now, and nothing more.
        static_cast<void>(send(fd.get(), line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT));
        return;
    }
    Client client{.fd = std::move(fd), .uid = *uid};
    queue(client, EventWire::line(EventWire::Hello{EventWire::version, hold_}));
    if (write(client)) clients_.push_back(std::move(client));
}

std::string EventServer::refusal(std::optional<uid_t> uid) const {
    if (!uid || (*uid != user_ && *uid != 0)) {
        std::string who = uid ? "user " + std::to_string(*uid) : "an unknown user";
        return "the event service serves only the user who installed it, not " + who;
    }
    if (clients_.size() >= limits_.total)
        return "the event service serves no more than " + std::to_string(limits_.total) +
               " clients at once";
    if (static_cast<size_t>(std::ranges::count(clients_, *uid, &Client::uid)) >= limits_.perUser)
        return "the event service serves no more than " + std::to_string(limits_.perUser) +
               " clients of one user at once";
    return "";
}

void EventServer::queue(Client& client, std::string_view line) {
    client.lines.emplace_back(line);
    client.bytes += line.size();
}

void EventServer::broadcast(std::string_view line, Audience audience) {
    std::erase_if(clients_, [&](Client& client) {
        if (audience != Audience::all && client.questions != (audience == Audience::questions))
            return false;
        queue(client, line);
        if (client.bytes <= limits_.backlogBytes) return false;
        lost_ += client.lines.size();
        ++dropped_;
        return true;
    });
}

void EventServer::flush() {
    std::erase_if(clients_, [this](Client& client) { return !write(client); });
}

bool EventServer::write(Client& client) {
    while (!client.lines.empty()) {
        const std::string& line = client.lines.front();
        ssize_t count = send(client.fd.get(), line.data() + client.sent, line.size() - client.sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        client.sent += static_cast<size_t>(count);
        if (client.sent < line.size()) return true;
        client.bytes -= line.size();
        client.sent = 0;
        client.lines.pop_front();
    }
    return true;
}

size_t EventServer::attached() const {
    return static_cast<size_t>(std::ranges::count(clients_, true, &Client::attached));
}

void EventServer::receive(const std::function<void(const AskWire::Request&)>& take,
                          const std::function<std::vector<std::string>()>& waiting) {
    std::erase_if(clients_, [&](Client& client) { return !read(client, take, waiting); });
}

bool EventServer::read(Client& client, const std::function<void(const AskWire::Request&)>& take,
                       const std::function<std::vector<std::string>()>& waiting) {
    // A request is a short line; a client's few requests a moment never need more.
    constexpr size_t longestRequest = 256;
    char buffer[1024];
    ssize_t count = recv(client.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (count == 0) return false;
    if (count < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.received.append(buffer, static_cast<size_t>(count));
    for (size_t end; (end = client.received.find('\n')) != std::string::npos;
         client.received.erase(0, end + 1)) {
        std::optional<AskWire::Request> request =
            AskWire::read(std::string_view(client.received).substr(0, end));
        if (!request) return false;
        if (auto* attach = std::get_if<AskWire::Attach>(&*request);
            attach || std::holds_alternative<AskWire::List>(*request)) {
            if (!client.questions) {
                std::vector<std::string> lines = waiting();
                for (const std::string& line : lines)
                    queue(client, line);
                queue(client, EventWire::line(EventWire::Listed{lines.size()}));
            }
            client.questions = true;
            client.attached = client.attached || attach;
        }
        take(*request);
    }
    return client.received.size() <= longestRequest;
}
