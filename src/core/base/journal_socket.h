// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "base/owned_fd.h"
#include "base/result.h"

// Records sent to a socket of systemd-journald in its native protocol: one datagram a record,
// "FIELD=value\n" a field, or "FIELD\n", the value's length as 64 bits little-endian, the value
// and "\n" for a value holding a newline. journald adds the sender's trusted fields (_UID, _PID,
// _COMM, _HOSTNAME) itself, so nothing here needs privileges or libsystemd.
class JournalSocket {
  public:
    // Longest value written; a longer one is cut, so that a program's name or path cannot make a
    // record larger than a datagram.
    static constexpr size_t maxValue = 2048;

    explicit JournalSocket(std::string path) : path_(std::move(path)) {}

    // Appends one field. `value` is cut to maxValue bytes, and takes the binary form when it holds
    // a newline or a byte journald would not keep in the plain form.
    static void append(std::string& record, std::string_view field, std::string_view value);

    // Sends one record. journald's queue holds only a few datagrams, so a burst waits for it, but
    // never long: a send that would wait more than 20 ms fails, and every send fails without
    // waiting for a second after that, so a stuck journald drops records rather than holds the
    // caller. Fails too when the socket is missing.
    Result<void> send(std::string_view record);

    // Whether a socket is there to send to.
    bool present() const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    OwnedFd fd_;
    // Until when sends fail at once, after one that timed out.
    std::chrono::steady_clock::time_point stuckUntil_;
};
