// The rules file's decoding on arbitrary text. A rule set that decodes encodes back to a text
// that decodes to the same rule set, and every line it exports to the helper's block files is
// one the helper accepts.
#include <string>

#include <nlohmann/json.hpp>

#include "block_lines.h"
#include "fuzz_check.h"
#include "rule_store.h"

namespace {

std::optional<RuleSet> decode(std::string_view text) {
    try {
        return nlohmann::json::parse(text).get<RuleSet>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<RuleSet> rules = decode(FuzzCheck::text(data, size));
    if (!rules) return 0;
    FuzzCheck::require(decode(RuleStore::encode(*rules)) == rules, "the encoding decodes back");
    BlockLines::Entries entries;
    BlockLines::add(entries, rules->exportIPs(), rules->exportDomains(nullptr));
    FuzzCheck::require(entries.rejected == 0, "the helper accepts every exported line");
    return 0;
}
