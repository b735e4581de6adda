// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/result.h"

// Keeps a data file that exists but cannot be used from being lost when it is written anew.
namespace UnusableFile {

// True when `contents` decodes; used to tell a usable file from one to keep.
using Decodes = std::function<bool(const std::string& contents)>;

// What became of one data file that could not be read or decoded.
struct Report {
    std::string path;
    // Why it could not be used.
    std::string problem;
    // Where its bytes are now kept; absent when they could be neither copied nor moved, in which
    // case the file is left where it is and is not written over.
    std::optional<std::string> keptAs;

    bool operator==(const Report&) const = default;
};

// Whether a file that cannot be read may be moved to its kept name instead of copied.
enum class Unreadable { leave, move };

// Where the contents of an unusable `path` are kept: its name, ".bad-" and its modification
// time in UTC (e.g. "rules.json.bad-20261207T054500Z"), with a counter when another file of that
// name holds other bytes; a copy already holding `contents` is reused and never written again.
// Without `contents`, only a free name. Absent when no name is free.
std::optional<std::string> asidePath(const std::string& path,
                                     const std::optional<std::string>& contents);

// Copies the bytes of the unusable `path` to `asidePath`, or, when they cannot be read and
// `unreadable` allows it, renames the file there. Never writes `path` itself.
Report keep(const std::string& path, std::string problem, Unreadable unreadable);

// Before `path` is replaced: when it exists but `decodes` rejects its contents, copies them to
// `asidePath`; when it exists but cannot be read, fails so that it stays in place. A missing or
// usable file needs nothing.
Result<void> keepAside(const std::string& path, const Decodes& decodes);

// One line for a reader that changes nothing: `path` cannot be used for `problem`, is left
// unchanged, and under which name the application will keep its bytes before writing it anew.
std::string warning(const std::string& path, const std::string& problem);

} // namespace UnusableFile
