// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's hosts-block merge on an arbitrary hosts file: a file whose markers are refused is
// never merged; otherwise merging the same domains again changes nothing, and removing the block
// gives what removing it from the original gives.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "hosts_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> domains{"ads.example.com", "tracker.example.org"};
    std::string_view hosts = FuzzCheck::text(data, size);
    if (HostsBlock::markerProblem(hosts)) return 0;
    std::string merged = HostsBlock::merge(hosts, domains);
    std::string removed = HostsBlock::merge(hosts, {});
    FuzzCheck::require(!HostsBlock::markerProblem(merged), "a merge leaves one sound block");
    FuzzCheck::require(HostsBlock::merge(merged, domains) == merged, "a second merge is a no-op");
    FuzzCheck::require(HostsBlock::merge(merged, {}) == removed,
                       "removing the block undoes the merge");
    return 0;
}
