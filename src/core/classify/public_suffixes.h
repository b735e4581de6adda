// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/result.h"

// The public suffix list: the names under which anyone may register a domain ("com", "co.uk",
// "github.io"), so that the registrable domain of a host, the part its owner registered, can be
// named.
//
// The list text has one rule per line, up to the first blank: a suffix, "*." and a suffix (every
// label under it is a suffix too), or "!" and a name (an exception to such a wildcard). Lines
// starting with "//" are comments. Both the ICANN and the private sections count. Rules are taken
// as written; host names are compared in ASCII lower case, so internationalised rules match only
// hosts written the same way.
//
// Written only by load/loadFile; concurrent readers are safe once loading is done.
class PublicSuffixes {
  public:
    PublicSuffixes() = default;
    explicit PublicSuffixes(std::string_view text);

    // Replaces the whole list with the rules of `text`.
    void load(std::string_view text);
    // Loads the file at `path`; when it cannot be read the list is left unchanged and the Error
    // says why.
    Result<void> loadFile(const std::string& path);

    bool empty() const { return rules_.empty() && wildcards_.empty(); }
    // The host's public suffix with one more label: "example.co.uk" for "a.b.example.co.uk".
    // Absent when the list is empty, or the host is an address, a public suffix itself or a
    // single label.
    std::optional<std::string> registrableDomain(std::string_view host) const;

    // The system's list, read on first use; empty when the system has none.
    static const PublicSuffixes& system();

  private:
    // The number of trailing labels of the longest public suffix of the lower-cased host.
    size_t suffixLabels(std::string_view host) const;

    std::unordered_set<std::string> rules_;
    // Suffixes whose every child label is a suffix too ("*.ck" gives "ck").
    std::unordered_set<std::string> wildcards_;
    std::unordered_set<std::string> exceptions_;
};
