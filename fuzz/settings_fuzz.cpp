// The settings file's decoding on arbitrary text: settings that decode are written back as a
// text that decodes to the same settings.
#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "settings.h"

namespace {

std::optional<Settings> decode(std::string_view text) {
    try {
        return nlohmann::json::parse(text).get<Settings>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<Settings> settings = decode(FuzzCheck::text(data, size));
    if (!settings) return 0;
    std::string written = nlohmann::json(*settings).dump();
    FuzzCheck::require(decode(written) == settings, "the written settings decode back");
    return 0;
}
