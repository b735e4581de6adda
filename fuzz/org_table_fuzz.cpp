// SPDX-License-Identifier: GPL-3.0-or-later
// The organisation table on arbitrary text: every line is a row or counted as bad, and every
// organisation it answers has a company and a category a domain can have.
#include "base/text.h"
#include "classify/org_table.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text = FuzzCheck::text(data, size);
    OrgTable table(text);
    std::vector<std::string_view> lines = Text::splitNonEmpty(text, '\n');
    FuzzCheck::require(table.count() + table.rejected() <= lines.size(),
                       "at most one row or one bad line per line");
    for (std::string_view line : lines) {
        std::optional<Org> org = table.lookup(line.substr(0, line.find('\t')));
        if (!org) continue;
        FuzzCheck::require(!org->company.empty(), "a row has a company");
        FuzzCheck::require(org->category != Category::local && org->category != Category::system &&
                               org->category != Category::unknown,
                           "a row has a category a domain can have");
    }
    return 0;
}
