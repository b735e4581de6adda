// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>

#include "base/owned_fd.h"

// A journald stand-in: a datagram socket bound in a temporary folder, read without waiting.
class JournalStandIn {
  public:
    using Fields = std::map<std::string, std::string>;

    explicit JournalStandIn(const std::string& path) : fd_(socket(AF_UNIX, SOCK_DGRAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        bound_ = bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool bound() const { return bound_; }

    // Every record received since the last call, decoded as journald decodes the native form; a
    // record framed wrongly has the field "!malformed".
    std::vector<Fields> records() {
        std::vector<Fields> all;
        std::string buffer(64 * 1024, '\0');
        for (ssize_t size;
             (size = recv(fd_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT)) > 0;)
            all.push_back(decode(buffer.substr(0, static_cast<size_t>(size))));
        return all;
    }

  private:
    static Fields decode(const std::string& datagram) {
        Fields fields;
        for (size_t at = 0; at < datagram.size();) {
            const size_t end = datagram.find('\n', at), equals = datagram.find('=', at);
            if (equals < end) {
                fields[datagram.substr(at, equals - at)] =
                    datagram.substr(equals + 1, end - equals - 1);
                at = end + 1;
                continue;
            }
            uint64_t length = 0;
            for (int byte = 7; byte >= 0; --byte)
                length = length << 8 | static_cast<unsigned char>(datagram[end + 1 + byte]);
            fields[datagram.substr(at, end - at)] = datagram.substr(end + 9, length);
            // A binary value not followed by its newline: the framing is wrong.
            if (datagram[end + 9 + length] != '\n') fields["!malformed"] = "yes";
            at = end + 10 + length;
        }
        return fields;
    }

    OwnedFd fd_;
    bool bound_ = false;
};
