// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker list on arbitrary text: every listed lower-case domain with a dot is its own match.
#include "base/text.h"
#include "classify/tracker_list.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrackerList list(FuzzCheck::text(data, size));
    for (const auto& [domain, tag] : list.domains())
        if (domain.find('.') != std::string::npos && Text::toLower(domain) == domain)
            FuzzCheck::require(list.match(domain) == domain, "a listed domain matches itself");
    return 0;
}
