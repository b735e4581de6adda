// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

// Whole-file reads and crash-safe whole-file writes.
namespace AtomicFile {

// Writes `contents` to a temporary file beside `path`, flushes it to disk, renames it over
// `path` and flushes the directory, so a crash leaves either the old or the new file, never a
// torn one. On failure the temporary file is removed and `path` is untouched.
Result<void> write(const std::string& path, std::string_view contents);

// Removes what writes into `dir` left when their process was killed: regular files named
// NAME.tmp-XXXXXX that nobody touched for a minute, so a write in progress is never taken.
void removeLeftovers(const std::string& dir);

// The whole contents of the regular file at `path`, or an Error naming the path that says why
// it cannot be read. A FIFO or device at the path is refused without blocking, and a file of
// more than `maxBytes` with EFBIG.
Result<std::string> read(const std::string& path, size_t maxBytes = SIZE_MAX);
// True when `path` can be read and holds exactly `contents`.
bool holds(const std::string& path, std::string_view contents);

// The whole of `contents` to the open descriptor `fd`, retrying short writes; false on error,
// with errno set.
[[nodiscard]] bool writeAll(int fd, std::string_view contents);
// Everything left to read from the open descriptor `fd`, appended to `text`; false on error.
[[nodiscard]] bool readAll(int fd, std::string& text);

} // namespace AtomicFile
