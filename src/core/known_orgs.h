#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "category.h"

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

} // namespace KnownOrgs
