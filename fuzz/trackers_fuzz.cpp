// The tracker list on arbitrary text: every listed lower-case domain with a dot is its own match.
#include "fuzz_check.h"
#include "text.h"
#include "tracker_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrackerList list(FuzzCheck::text(data, size));
    for (const auto& [domain, tag] : list.domains())
        if (domain.find('.') != std::string::npos && Text::toLower(domain) == domain)
            FuzzCheck::require(list.match(domain) == domain, "a listed domain matches itself");
    return 0;
}
