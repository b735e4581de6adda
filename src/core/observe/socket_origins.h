// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/lang.h"
#include "observe/app_identity.h"
#include "observe/cgroup_names.h"
#include "observe/listed_socket.h"
#include "observe/unit_names.h"
#include "platform.h"

// Names the program behind a socket that no readable process holds, from what the kernel tells
// of the socket: the systemd unit or desktop application its cgroup stands for, else the user who
// made it, else a program not known.
class SocketOrigins {
  public:
    SocketOrigins(CgroupNames cgroups, UnitNames units)
        : cgroups_(std::move(cgroups)), units_(std::move(units)) {}

    // The real system's: the cgroup hierarchy the mount table names, and the platform's folders
    // of unit files and application entries.
    static SocketOrigins of(const platform::Descriptor& platform);

    AppIdentity identity(const SocketFacts& facts, Lang lang);
    // Lets a new cgroup have the hierarchy walked again; once a scan is enough.
    void nextScan() { cgroups_.allowWalk(); }

  private:
    std::string userName(uint32_t uid);

    CgroupNames cgroups_;
    UnitNames units_;
    std::unordered_map<uint32_t, std::string> users_;
};
