// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/result.h"

// The domains of the public tracker lists, matched by longest listed suffix.
//
// The list text has one entry per LF-terminated line: a tag byte, a separator byte, then the
// domain up to the end of the line, taken exactly as written (nothing trimmed or lower-cased,
// so a CR or trailing space stays part of the domain). Empty lines, lines shorter than three
// bytes and lines starting with "#" are skipped. A domain on several lines keeps its last tag.
//
// Written only by load/loadFile; concurrent readers are safe once loading is done.
class TrackerList {
  public:
    TrackerList() = default;
    explicit TrackerList(std::string_view text);

    // Replaces the whole set with the entries of `text`.
    void load(std::string_view text);
    // Loads the file at `path`; when it cannot be read the list is left unchanged and the Error
    // says why.
    Result<void> loadFile(const std::string& path);

    // The number of distinct listed domains.
    size_t count() const { return domains_.size(); }
    // The longest listed domain that is the host or one of its parents with at least two labels;
    // the host is compared in ASCII lower case. A single-label host is never listed.
    std::optional<std::string> match(std::string_view host) const;
    // Every listed domain with the tag of its line.
    const std::unordered_map<std::string, char>& domains() const { return domains_; }

  private:
    std::unordered_map<std::string, char> domains_;
};
