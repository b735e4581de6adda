#include "unusable_file.h"

#include <filesystem>

#include "atomic_file.h"
#include "dates.h"

namespace fs = std::filesystem;

namespace UnusableFile {

namespace {

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

} // namespace

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

bool keepAside(const std::string& path, const Decodes& decodes, std::string* error) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return true;
    std::optional<std::string> contents = AtomicFile::read(path);
    if (!contents) return fail(error, "cannot read " + path + "; it is left in place");
    if (decodes(*contents)) return true;
    std::optional<std::string> aside = asidePath(path, *contents);
    if (!aside) return fail(error, "no free name to keep " + path + " aside");
    if (AtomicFile::read(*aside) == contents) return true;
    return AtomicFile::write(*aside, *contents, error);
}

} // namespace UnusableFile
