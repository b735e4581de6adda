// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "classify/category.h"

// Domains of well-known organisations; a host matches a domain it equals or lies under.
namespace KnownOrgs {

struct Row {
    std::string_view domain;
    std::string_view company;
    Category category = Category::unknown;

    bool operator==(const Row&) const = default;
};

inline constexpr std::size_t rowCount = 151;

// The fixed rows: lower-case domains without a trailing dot, no two alike.
const std::array<Row, rowCount>& table();

// The organisation of the most specific row covering the host (case-insensitive). The host
// itself is tried, then each parent of at least two labels; a bare top-level label never is.
std::optional<Org> lookup(std::string_view host);

// The domains of the tracking rows, in table order, for resolving ahead of time.
std::vector<std::string> watchDomains();

// The organisation of the row for exactly this lower-case domain, without walking its parents.
std::optional<Org> exact(std::string_view domain);

// The first value `find` gives for the domains covering `host`, most specific first: the
// lower-cased host itself, then each parent of at least two labels. The walk of `lookup`, for
// other tables too and for several tables at once.
template <class Find> auto mostSpecific(std::string_view host, Find find) -> decltype(find(host)) {
    const std::string lowered = Text::toLower(host);
    std::string_view h = lowered;
    while (true) {
        if (auto found = find(h)) return found;
        auto dot = h.find('.');
        if (dot == std::string_view::npos) return std::nullopt;
        h.remove_prefix(dot + 1);
        if (h.find('.') == std::string_view::npos) return std::nullopt;
    }
}

} // namespace KnownOrgs
