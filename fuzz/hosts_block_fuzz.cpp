// The helper's hosts-block merge on an arbitrary hosts file: a file it refuses is refused
// whatever the domains; merging the same domains again changes nothing, and removing the block
// gives what removing it from the original gives.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "hosts_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> domains{"ads.example.com", "tracker.example.org"};
    std::string_view hosts = FuzzCheck::text(data, size);
    std::optional<std::string> merged = HostsBlock::merge(hosts, domains);
    std::optional<std::string> removed = HostsBlock::merge(hosts, {});
    FuzzCheck::require(merged.has_value() == removed.has_value(), "refused either way");
    if (!merged) return 0;
    FuzzCheck::require(HostsBlock::merge(*merged, domains) == merged, "a second merge is a no-op");
    FuzzCheck::require(HostsBlock::merge(*merged, {}) == removed,
                       "removing the block undoes the merge");
    return 0;
}
