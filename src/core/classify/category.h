// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

// What kind of party is behind a connection. Declared in severity order: a higher rank is worse.
enum class Category {
    local,
    apple,
    system,
    cloud,
    cdn,
    service,
    unknown,
    telemetry,
    social,
    analytics,
    tracker,
    ads,
    // Not a category: the number of them, which sizes tables indexed by category.
    count
};

namespace Categories {

inline constexpr std::array<Category, 12> allCases{
    Category::local,  Category::apple,     Category::system,  Category::cloud,
    Category::cdn,    Category::service,   Category::unknown, Category::telemetry,
    Category::social, Category::analytics, Category::tracker, Category::ads};

inline constexpr int rank(Category category) {
    return static_cast<int>(category);
}
inline constexpr bool isTracking(Category category) {
    return category >= Category::telemetry;
}

std::string name(Category category);
// Exact, case-sensitive match of a case name.
std::optional<Category> from(std::string_view text);

} // namespace Categories

void to_json(nlohmann::json& json, Category category);
void from_json(const nlohmann::json& json, Category& category);

// A named organisation with its category.
struct Org {
    std::string company;
    Category category = Category::unknown;

    bool operator==(const Org&) const = default;
};

void to_json(nlohmann::json& json, const Org& org);
void from_json(const nlohmann::json& json, Org& org);
