// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// One socket of `ss -H -t -u -n -p -i` as the Linux lister prints it, with its info line, for
// fake listers.
inline std::string ssLine(int pid, const std::string& name, const std::string& peer,
                          const std::string& proto = "tcp", int64_t received = 0,
                          int64_t sent = 0) {
    return proto + " ESTAB 0 0 10.0.0.2:40000 " + peer + " users:((\"" + name +
           "\",pid=" + std::to_string(pid) + ",fd=3))\n\t bytes_sent:" + std::to_string(sent) +
           " bytes_received:" + std::to_string(received) + "\n";
}
