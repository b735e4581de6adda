// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "observe/listers.h"
#include "observe/traffic_rate.h"

// `nattervane-cli flows --watch SECONDS [--count N]`: a table of the programs online and what
// each receives and sends a second, drawn anew every SECONDS.
namespace FlowsWatch {

struct Options {
    double seconds = 2;
    // Tables to draw before ending; absent for until interrupted.
    std::optional<int> count;
};

// One table: a program a line, the busiest first, with its connections and rates; "…" for the
// rates on the first round, which has nothing to compare with.
std::string table(const Listers::Listing& listing, const std::vector<RateMeter::Sample>& samples,
                  const std::map<std::string, Rate>& rates, bool first);

int run(const Options& options, std::ostream& out);

} // namespace FlowsWatch
