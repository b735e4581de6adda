// SPDX-License-Identifier: GPL-3.0-or-later
// The rules file's decoding on arbitrary text. A rule set that decodes encodes back to a text
// that decodes to the same rule set, and every line it exports to the helper's block files is
// one the helper accepts.
#include <string>

#include "base/json_text.h"
#include "block_lines.h"
#include "fuzz_check.h"
#include "store/rule_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<RuleSet> rules = JsonText::decode<RuleSet>(FuzzCheck::text(data, size));
    if (!rules) return 0;
    FuzzCheck::require(JsonText::decode<RuleSet>(RuleStore::encode(*rules)) == rules,
                       "the encoding decodes back");
    BlockLines::Entries entries;
    BlockLines::add(entries, rules->exportIPs(), rules->exportDomains(nullptr));
    FuzzCheck::require(entries.rejected == 0, "the helper accepts every exported line");
    return 0;
}
