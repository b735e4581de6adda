// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/lang.h"
#include "classify/org_table.h"
#include "classify/tracker_list.h"
#include "observe/connect_event.h"
#include "observe/connection.h"
#include "platform.h"

// The connection a held question is about, as a scan would show it: its program named from the
// executable the service saw, its destination classified. No bytes have been counted yet.
namespace HeldConnection {

// `host` is the name known for the address, if any; `trackers` and `orgs` may be null.
Connection of(const ConnectEvent& first, const std::optional<std::string>& host,
              const TrackerList* trackers, const OrgTable* orgs, Lang lang,
              const platform::Descriptor& platform = platform::current());

} // namespace HeldConnection
