// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/rule_store.h"

#include <cerrno>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/json_text.h"
#include "base/unusable_file.h"

namespace fs = std::filesystem;

namespace RuleStore {

namespace {

// Far more than the most rules a set holds take (RuleSet::maxRules).
constexpr size_t maxFileBytes = size_t{16} << 20;

Result<void> writeIfChanged(const std::string& path, const std::string& text) {
    if (AtomicFile::holds(path, text)) return {};
    return AtomicFile::write(path, text);
}

bool decodesAsRules(const std::string& contents) {
    return JsonText::decode<RuleSet>(contents).has_value();
}

Reading readFile(const std::string& path) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return {};
    Result<std::string> contents = AtomicFile::read(path, maxFileBytes);
    if (!contents)
        return {{},
                contents.error().code == EFBIG
                    ? "it is larger than " + std::to_string(maxFileBytes >> 20) + " MiB"
                    : "it cannot be read",
                std::nullopt};
    try {
        return {nlohmann::json::parse(*contents).get<RuleSet>(), std::nullopt, std::nullopt};
    } catch (const nlohmann::json::exception& problem) {
        return {{}, JsonText::whyNot(problem, *contents, "a valid rule set"), std::nullopt};
    }
}

} // namespace

std::string backupFile(const Paths& paths) {
    return paths.rulesFile() + ".good";
}

Reading read(const Paths& paths) {
    Reading reading = readFile(paths.rulesFile());
    if (!reading.problem) return reading;
    // A damaged file must lift no block: the rules come back from the last save's copy.
    Reading backup = readFile(backupFile(paths));
    if (!backup.problem && fs::exists(backupFile(paths))) {
        reading.rules = std::move(backup.rules);
        reading.restoredFrom = backupFile(paths);
    }
    return reading;
}

RuleSet load(const Paths& paths) {
    return read(paths).rules;
}

std::string encode(const RuleSet& rules) {
    return nlohmann::json(rules).dump(2) + "\n";
}

Result<void> save(const RuleSet& rules, const Paths& paths, const ListedDomains* listed) {
    std::error_code code;
    fs::create_directories(paths.helperDir(), code);
    if (code) return Error::fromCode("cannot create " + paths.helperDir(), code);
    std::string text;
    try {
        text = encode(rules);
    } catch (const nlohmann::json::exception& problem) {
        return Error{0, std::string("cannot encode the rules: ") + problem.what()};
    }
    Result<void> saved = UnusableFile::keepAside(paths.rulesFile(), decodesAsRules);
    if (saved) saved = AtomicFile::write(paths.rulesFile(), text);
    if (saved) saved = writeIfChanged(backupFile(paths), text);
    if (saved) saved = writeIfChanged(paths.blockIPs(), rules.exportIPs());
    if (saved) saved = writeIfChanged(paths.blockDomains(), rules.exportDomains(listed));
    if (saved) saved = writeIfChanged(paths.blockPrograms(), rules.exportPrograms());
    return saved;
}

} // namespace RuleStore
