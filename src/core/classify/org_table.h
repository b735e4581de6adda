// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/result.h"
#include "classify/category.h"

// Organisations of domains read from a shipped text table; a host matches a domain it equals or
// lies under, and the most specific domain wins.
//
// One row per LF-terminated line: domain, TAB, category name, TAB, company. Blanks around each
// field and a final CR are dropped, the domain is lower-cased. One label of a domain may hold a
// "*" standing for one or more characters of that label, so that hosts whose names vary in one
// place (a region, a shard) share a row: "telemetry.*.vendor.example", "intake-*-vendor.example".
// A bare "*" label needs two labels after it, a partial one at least one, and the last label is
// never a pattern. Empty lines and lines starting
// with "#" are skipped. Any other line that is not a good row (not three fields, an invalid
// domain, a category that no destination can have by name: local, system or unknown, an empty
// or overlong company, control bytes or invalid UTF-8 in it, a domain already given) is skipped
// and counted; the rows around it still load.
//
// Written only by load/loadFile; concurrent readers are safe once loading is done.
class OrgTable {
  public:
    OrgTable() = default;
    explicit OrgTable(std::string_view text);

    // Replaces the whole table with the rows of `text`.
    void load(std::string_view text);
    // Loads the file at `path`; when it cannot be read the table is left unchanged and the Error
    // says why.
    Result<void> loadFile(const std::string& path);

    // The number of rows loaded, patterns included.
    size_t count() const { return orgs_.size() + patterns_.size(); }
    // The number of lines the last load skipped as bad.
    size_t rejected() const { return rejected_; }
    // The organisation of the most specific row covering the host (ASCII case-insensitive). The
    // host itself is tried, then each parent of at least two labels.
    std::optional<Org> lookup(std::string_view host) const;
    // The organisation of the row for exactly this lower-case domain: a plain row first, then
    // the first pattern in table order that the whole domain matches.
    std::optional<Org> exact(std::string_view domain) const;

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };

    // A row whose domain holds a "*": its labels in order.
    struct Pattern {
        std::vector<std::string> labels;
        Org org;
    };

    std::unordered_map<std::string, Org, Hash, std::equal_to<>> orgs_;
    std::vector<Pattern> patterns_;
    // Bit n is set when some pattern has n labels, so other domains skip the patterns.
    uint64_t patternLengths_ = 0;
    size_t rejected_ = 0;
};
