// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "base/dates.h"
#include "bpf/connect_event.h"
#include "observe/connect_event.h"

// The kernel side's records as the event service tells them on.
namespace ConnectRecord {

// The event of `record`, whose times count from `boot` (the wall-clock time the system started);
// absent for a protocol other than TCP and UDP or a family other than IPv4 and IPv6. A path that
// the record does not hold whole is left out, as is a name cut short.
std::optional<ConnectEvent> decode(const nv_connect_event& record, Dates::TimePoint boot);

// The wall-clock time this system started, as the clocks say now.
Dates::TimePoint bootTime();

} // namespace ConnectRecord
