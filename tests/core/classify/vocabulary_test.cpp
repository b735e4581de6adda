// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/lang.h"
#include "classify/category.h"
#include "classify/verdict.h"
#include "observe/flow.h"

using nlohmann::json;

TEST(Vocabulary, TextsReadBackStrictlyAndJsonOmitsAbsentFields) {
    EXPECT_EQ(json(Verdict{Category::unknown, std::nullopt, std::nullopt}).dump(),
              R"({"category":"unknown"})");
    Verdict full{Category::tracker, "Example", "example.com"};
    EXPECT_EQ(json(full).get<Verdict>(), full);
    for (const char* bad : {R"({"category":"Tracker"})", R"({"company":"X"})", R"({"category":3})"})
        EXPECT_THROW(json::parse(bad).get<Verdict>(), json::exception) << bad;
    Org org{"Meta (Facebook)", Category::social};
    EXPECT_EQ(json(org).get<Org>(), org);
    EXPECT_THROW(json::parse(R"({"company":"X"})").get<Org>(), json::exception);
    // Tracking starts at telemetry, the first category above unknown.
    EXPECT_TRUE(Categories::isTracking(Category::telemetry));
    EXPECT_FALSE(Categories::isTracking(Category::unknown));
    for (Category category : Categories::allCases)
        EXPECT_EQ(Categories::from(Categories::name(category)), category);
    EXPECT_EQ(json(Lang::ru), "ru");
    EXPECT_EQ(json("en").get<Lang>(), Lang::en);
    EXPECT_THROW(json("EN").get<Lang>(), json::exception);
    EXPECT_EQ(Langs::fromPreferred({"ru-RU", "en-US"}), Lang::ru);
    EXPECT_EQ(Langs::fromPreferred({"en-RU"}), Lang::en);
    EXPECT_EQ(Langs::fromPreferred({"uk-UA", "ru-RU"}), Lang::en);
    EXPECT_EQ(Langs::fromPreferred({}), Lang::en);
}
