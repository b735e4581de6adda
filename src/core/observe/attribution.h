// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/dates.h"
#include "base/lang.h"
#include "observe/app_identity.h"
#include "observe/connect_event.h"
#include "observe/flow.h"
#include "observe/owner_memory.h"
#include "observe/socket_origins.h"
#include "platform.h"

// Who made each flow, best source first: the event service, which saw the socket being made;
// the process holding it; what was seen of the same socket earlier; and what the kernel tells of
// the socket itself (its cgroup, its user). A socket that its program closed before any of this
// saw it is said to be so. Never a "?".
class Attribution {
  public:
    struct Owned {
        Flow flow;
        AppIdentity app;

        bool operator==(const Owned&) const = default;
    };

    using PidPath = std::function<std::optional<std::string>(int32_t)>;

    Attribution(PidPath pidPath, const platform::Descriptor& platform, SocketOrigins origins);
    // The real system's: processes, cgroups and unit files as the platform finds them.
    explicit Attribution(const platform::Descriptor& platform = platform::current());

    // Joins `events` to the flows of their sockets by cookie (an event whose socket is not
    // listed becomes a flow of its own, with no bytes counted), then names the program of every
    // flow in `lang`.
    std::vector<Owned> attribute(std::vector<Flow> flows, const std::vector<ConnectEvent>& events,
                                 Lang lang, Dates::TimePoint now);
    // The events alone, each socket's newest one a flow of no bytes, between two `attribute`s:
    // what those remember of the programs is kept.
    std::vector<Owned> attributeEvents(const std::vector<ConnectEvent>& events, Lang lang,
                                       Dates::TimePoint now);
    // An event as the flow of its socket: the program that made it, no bytes counted yet.
    static Flow flowOf(const ConnectEvent& event);

    // Whether the program of the socket with `cookie` is known from the event service, from the
    // events of `eventCookies` or earlier ones: its holders need not be looked for.
    bool toldByEvents(uint64_t cookie, const std::unordered_set<uint64_t>& eventCookies) const;

  private:
    // The identity of a flow whose process or executable is known.
    AppIdentity programIdentity(const Flow& flow, Lang lang);
    // The identity of the flow of a socket the events told of.
    AppIdentity eventIdentity(const Flow& flow, Lang lang, Dates::TimePoint now);
    void useLang(Lang lang);

    PidPath pidPath_;
    const platform::Descriptor* platform_;
    SocketOrigins origins_;
    OwnerMemory memory_;
    // Identities by pid and process name, and by executable and process name, of the last
    // call: what a call does not use is dropped, so they hold no more than one scan's programs.
    std::unordered_map<std::string, AppIdentity> identities_;
    std::unordered_map<std::string, AppIdentity> used_;
    Lang lang_ = Lang::en;
};
