#include "event_server.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "observe/connect_event.h"

Result<EventServer> EventServer::listen(const std::string& path, uid_t user, size_t backlogBytes) {
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
    return EventServer(std::move(fd), user, backlogBytes);
}

void EventServer::accept() {
    for (;;) {
        OwnedFd fd(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        bool known = getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0;
        Client client{std::move(fd), {}, 0, 0};
        if (known && (peer.uid == user_ || peer.uid == 0)) {
            client.lines.push_back(EventWire::line(EventWire::Hello{EventWire::version}));
        } else {
            std::string who = known ? "user " + std::to_string(peer.uid) : "an unknown user";
            std::string reason =
                "the event service serves only the user who installed it, not " + who;
            std::string line = EventWire::line(EventWire::Refusal{reason});
            // A refused client gets its one line if its socket takes it now, and nothing more.
            static_cast<void>(send(client.fd.get(), line.data(), line.size(), MSG_NOSIGNAL));
            continue;
        }
        client.bytes = client.lines.front().size();
        if (write(client)) clients_.push_back(std::move(client));
    }
}

void EventServer::broadcast(std::string_view line) {
    for (Client& client : clients_) {
        client.lines.emplace_back(line);
        client.bytes += line.size();
        // The oldest lines go first, but never the one partly sent.
        while (client.bytes > backlogBytes_ && client.lines.size() > 1) {
            auto oldest = client.sent ? client.lines.begin() + 1 : client.lines.begin();
            client.bytes -= oldest->size();
            client.lines.erase(oldest);
            ++lost_;
        }
    }
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
