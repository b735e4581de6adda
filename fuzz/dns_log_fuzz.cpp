// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of dnsmasq's query log on arbitrary lines: no crash, and no answer whose name is not
// a valid domain or whose address is not an address.
#include "base/net.h"
#include "base/text.h"
#include "dns_log.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DnsLog::Reader reader;
    for (std::string_view line : Text::split(FuzzCheck::text(data, size), '\n'))
        if (auto answer = reader.line(line)) {
            FuzzCheck::require(Net::isValidDomain(answer->name), "the name is a valid domain");
            FuzzCheck::require(answer->name == Text::toLower(answer->name),
                               "the name is lower case");
            FuzzCheck::require(Net::isValidIP(answer->address), "the address is an address");
        }
    return 0;
}
