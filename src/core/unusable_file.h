#pragma once

#include <functional>
#include <optional>
#include <string>

// Keeps a data file that exists but does not decode from being lost when it is written anew.
namespace UnusableFile {

// True when `contents` decodes; used to tell a usable file from one to keep.
using Decodes = std::function<bool(const std::string& contents)>;

// Where the contents of an unusable `path` are kept: its name, ".bad-" and its modification
// time, with a counter when another file of that name differs. Absent when no name is free.
std::optional<std::string> asidePath(const std::string& path, const std::string& contents);

// Before `path` is replaced: when it exists but `decodes` rejects its contents, copies them to
// `asidePath`; when it exists but cannot be read, fails so that it stays in place. A missing or
// usable file needs nothing. On failure `error` (when given) says why.
bool keepAside(const std::string& path, const Decodes& decodes, std::string* error = nullptr);

} // namespace UnusableFile
