// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file's decoding on arbitrary text: settings that decode are written back as a
// text that decodes to the same settings.
#include "base/json_text.h"
#include "fuzz_check.h"
#include "store/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<Settings> settings = JsonText::decode<Settings>(FuzzCheck::text(data, size));
    if (!settings) return 0;
    std::string written = JsonText::dump(*settings);
    FuzzCheck::require(JsonText::decode<Settings>(written) == settings,
                       "the written settings decode back");
    return 0;
}
