#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

// Whole-file reads and crash-safe whole-file writes.
namespace AtomicFile {

// Writes `contents` to a temporary file beside `path`, flushes it to disk, renames it over
// `path` and flushes the directory, so a crash leaves either the old or the new file, never a
// torn one. On failure the temporary file is removed and `path` is untouched.
Result<void> write(const std::string& path, std::string_view contents);

// The whole contents of a regular file; absent when it is missing or unreadable.
std::optional<std::string> read(const std::string& path);

// The whole of `contents` to the open descriptor `fd`, retrying short writes; false on error,
// with errno set.
[[nodiscard]] bool writeAll(int fd, std::string_view contents);
// Everything left to read from the open descriptor `fd`, appended to `text`; false on error.
[[nodiscard]] bool readAll(int fd, std::string& text);

} // namespace AtomicFile
