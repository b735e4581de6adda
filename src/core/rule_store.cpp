#include "rule_store.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "atomic_file.h"
#include "dates.h"

namespace fs = std::filesystem;

namespace RuleStore {

namespace {

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

// The rules file with its raw contents, when it exists and can be read.
struct RawReading {
    Reading reading;
    std::optional<std::string> contents;
};

RawReading readRaw(const std::string& path) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return {};
    std::optional<std::string> contents = AtomicFile::read(path);
    if (!contents) return {{{}, "cannot read " + path}, std::nullopt};
    try {
        return {{nlohmann::json::parse(*contents).get<RuleSet>(), std::nullopt}, contents};
    } catch (const nlohmann::json::exception& problem) {
        return {{{}, path + " is not a valid rule set: " + problem.what()}, contents};
    }
}

// Where a malformed rules file is kept: its name, ".bad-" and its modification time, with a
// counter when another file of that name differs.
std::optional<std::string> asidePath(const std::string& path, const std::string& contents) {
    std::error_code ignored;
    auto modified = fs::last_write_time(path, ignored);
    std::string stamp = Dates::iso8601(
        std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(modified)));
    std::erase_if(stamp, [](char c) { return c == '-' || c == ':'; });
    std::string base = path + ".bad-" + stamp;
    for (int n = 1; n <= 100; ++n) {
        std::string candidate = n == 1 ? base : base + "-" + std::to_string(n);
        if (!fs::exists(candidate, ignored) || AtomicFile::read(candidate) == contents)
            return candidate;
    }
    return std::nullopt;
}

bool writeIfChanged(const std::string& path, const std::string& text, std::string* error) {
    if (AtomicFile::read(path) == text) return true;
    return AtomicFile::write(path, text, error);
}

// Makes sure replacing the rules file loses nothing the user wrote.
bool keepUnusableFile(const std::string& path, std::string* error) {
    RawReading raw = readRaw(path);
    if (!raw.reading.problem) return true;
    if (!raw.contents) return fail(error, *raw.reading.problem + "; it is left in place");
    std::optional<std::string> aside = asidePath(path, *raw.contents);
    if (!aside) return fail(error, "no free name to keep " + path + " aside");
    return writeIfChanged(*aside, *raw.contents, error);
}

} // namespace

Reading read(const Paths& paths) {
    return readRaw(paths.rulesFile()).reading;
}

RuleSet load(const Paths& paths) {
    return read(paths).rules;
}

std::string encode(const RuleSet& rules) {
    return nlohmann::json(rules).dump(2) + "\n";
}

bool save(const RuleSet& rules, const Paths& paths, const ListedDomains* listed,
          std::string* error) {
    std::error_code code;
    fs::create_directories(paths.helperDir(), code);
    if (code) return fail(error, "cannot create " + paths.helperDir() + ": " + code.message());
    std::string text;
    try {
        text = encode(rules);
    } catch (const nlohmann::json::exception& problem) {
        return fail(error, std::string("cannot encode the rules: ") + problem.what());
    }
    return keepUnusableFile(paths.rulesFile(), error) &&
           AtomicFile::write(paths.rulesFile(), text, error) &&
           writeIfChanged(paths.blockIPs(), rules.exportIPs(), error) &&
           writeIfChanged(paths.blockDomains(), rules.exportDomains(listed), error);
}

} // namespace RuleStore
