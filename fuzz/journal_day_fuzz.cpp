// A journal day file's decoding on arbitrary text: entries that decode are written back, in the
// day file's own form, as a text that decodes to the same entries.
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "journal_entry.h"

namespace {

using Day = std::vector<JournalEntry>;

std::optional<Day> decode(std::string_view text) {
    try {
        return nlohmann::json::parse(text).get<Day>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<Day> day = decode(FuzzCheck::text(data, size));
    if (!day) return 0;
    std::string written = "[";
    for (const JournalEntry& entry : *day) {
        if (written.size() > 1) written += ',';
        appendJson(written, entry);
    }
    written += ']';
    FuzzCheck::require(decode(written) == day, "the written day decodes back");
    return 0;
}
