// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/unusable_file.h"

#include <filesystem>

#include "base/atomic_file.h"
#include "base/dates.h"

namespace fs = std::filesystem;

namespace UnusableFile {

namespace {

// The kept copy of `contents`, made unless an identical one exists; absent on failure.
std::optional<std::string> copyAside(const std::string& path, const std::string& contents) {
    std::optional<std::string> aside = asidePath(path, contents);
    if (!aside || AtomicFile::holds(*aside, contents) || AtomicFile::write(*aside, contents))
        return aside;
    return std::nullopt;
}

std::optional<std::string> moveAside(const std::string& path) {
    std::optional<std::string> aside = asidePath(path, std::nullopt);
    std::error_code failure;
    if (aside) fs::rename(path, *aside, failure);
    if (!aside || failure) return std::nullopt;
    return aside;
}

} // namespace

std::optional<std::string> asidePath(const std::string& path,
                                     const std::optional<std::string>& contents) {
    std::error_code ignored;
    auto modified = fs::last_write_time(path, ignored);
    std::string stamp = Dates::iso8601(
        std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(modified)));
    std::erase_if(stamp, [](char c) { return c == '-' || c == ':'; });
    std::string base = path + ".bad-" + stamp;
    for (int n = 1; n <= 100; ++n) {
        std::string candidate = n == 1 ? base : base + "-" + std::to_string(n);
        if (!fs::exists(fs::symlink_status(candidate, ignored)) ||
            (contents && AtomicFile::holds(candidate, *contents)))
            return candidate;
    }
    return std::nullopt;
}

Report keep(const std::string& path, std::string problem, Unreadable unreadable) {
    Report report{path, std::move(problem), std::nullopt};
    if (Result<std::string> contents = AtomicFile::read(path))
        report.keptAs = copyAside(path, *contents);
    else if (unreadable == Unreadable::move)
        report.keptAs = moveAside(path);
    return report;
}

Result<void> keepAside(const std::string& path, const Decodes& decodes) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return {};
    Result<std::string> contents = AtomicFile::read(path);
    if (!contents)
        return Error{contents.error().code, contents.error().message + "; it is left in place"};
    if (decodes(*contents) || copyAside(path, *contents)) return {};
    return Error{0, "cannot keep a copy of " + path + "; it is left in place"};
}

std::string warning(const std::string& path, const std::string& problem) {
    std::string text = path + " cannot be used (" + problem + "); it is left unchanged";
    Result<std::string> contents = AtomicFile::read(path);
    std::optional<std::string> aside = contents ? asidePath(path, *contents) : std::nullopt;
    if (aside) text += ", and the application keeps a copy as " + *aside + " before replacing it";
    return text;
}

} // namespace UnusableFile
