// SPDX-License-Identifier: GPL-3.0-or-later
// The endpoint splitter on arbitrary text, in both address families: a zone suffix never stays
// in the address.
#include "fuzz_check.h"
#include "observe/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool ipv6 : {false, true})
        if (auto endpoint = Parsers::splitEndpoint(FuzzCheck::text(data, size), ipv6))
            FuzzCheck::require(endpoint->ip.find('%') == std::string::npos, "zone cut");
    return 0;
}
