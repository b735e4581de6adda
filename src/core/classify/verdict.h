// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "classify/category.h"

// The result of classifying one connection.
struct Verdict {
    Category category = Category::unknown;
    std::optional<std::string> company;
    // The tracker-list domain the host name matched.
    std::optional<std::string> listed;

    bool operator==(const Verdict&) const = default;
};

// Optional keys are left out when absent and read as absent when missing.
void to_json(nlohmann::json& json, const Verdict& verdict);
void from_json(const nlohmann::json& json, Verdict& verdict);
