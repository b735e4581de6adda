// SPDX-License-Identifier: GPL-3.0-or-later
#include "events_service.h"

namespace EventsService {

int run(const Settings&, const std::atomic<bool>&, std::ostream& err) {
    err << "nattervane-helper: the event service needs Linux's cgroup hooks\n";
    return 1;
}

} // namespace EventsService
