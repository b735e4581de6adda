// SPDX-License-Identifier: GPL-3.0-or-later
// A journal day file's decoding on arbitrary text: entries that decode are written back, in the
// day file's own form, as a text that decodes to the same entries.
#include <vector>

#include "base/json_text.h"
#include "fuzz_check.h"
#include "store/journal_entry.h"

namespace {

using Day = std::vector<JournalEntry>;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<Day> day = JsonText::decode<Day>(FuzzCheck::text(data, size));
    if (!day) return 0;
    std::string written = "[";
    for (const JournalEntry& entry : *day) {
        if (written.size() > 1) written += ',';
        appendJson(written, entry);
    }
    written += ']';
    FuzzCheck::require(JsonText::decode<Day>(written) == day, "the written day decodes back");
    return 0;
}
