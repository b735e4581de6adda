// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/result.h"
#include "classify/category.h"

// Organisations of domains read from a shipped text table; a host matches a domain it equals or
// lies under, and the most specific domain wins.
//
// One row per LF-terminated line: domain, TAB, category name, TAB, company. Blanks around each
// field and a final CR are dropped, the domain is lower-cased. Empty lines and lines starting
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

    // The number of rows loaded.
    size_t count() const { return orgs_.size(); }
    // The number of lines the last load skipped as bad.
    size_t rejected() const { return rejected_; }
    // The organisation of the most specific row covering the host (ASCII case-insensitive). The
    // host itself is tried, then each parent of at least two labels.
    std::optional<Org> lookup(std::string_view host) const;

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };

    std::unordered_map<std::string, Org, Hash, std::equal_to<>> orgs_;
    size_t rejected_ = 0;
};
