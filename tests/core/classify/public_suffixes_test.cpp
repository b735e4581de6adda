// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>

#include <gtest/gtest.h>

#include "classify/public_suffixes.h"

// Plain rules, wildcards and their exceptions, the private section, and what has no registrable
// domain; the longest rule wins and an exception beats it.
TEST(PublicSuffixes, NamesTheSuffixAndOneLabelMore) {
    const PublicSuffixes list("// ===BEGIN ICANN DOMAINS===\n"
                              "com\nuk\nco.uk\n*.ck\n!www.ck\n"
                              "\xd1\x80\xd1\x84\n"
                              "// ===BEGIN PRIVATE DOMAINS===\n"
                              "github.io  trailing words are ignored\n");
    for (const auto& [host, domain] :
         std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"a.b.Example.COM", "example.com"},
             {"example.com", "example.com"},
             {"www.shop.example.co.uk", "example.co.uk"},
             {"a.b.c.ck", "b.c.ck"},
             {"a.www.ck", "www.ck"},
             {"user.github.io", "user.github.io"},
             {"host.unlisted", "host.unlisted"},
             {"co.uk", std::nullopt},
             {"c.ck", std::nullopt},
             {"localhost", std::nullopt},
             {"203.0.113.5", std::nullopt},
             {"2001:db8::1", std::nullopt},
             {"trailing.example.com.", std::nullopt},
             {"", std::nullopt},
         })
        EXPECT_EQ(list.registrableDomain(host), domain) << host;
}

// Without a list nothing is named, so callers keep the whole host; a failed read keeps the list.
TEST(PublicSuffixes, AMissingListNamesNothing) {
    PublicSuffixes list;
    EXPECT_EQ(list.registrableDomain("a.example.com"), std::nullopt);
    list.load("com\n");
    EXPECT_EQ(list.loadFile("/nonexistent/public_suffix_list.dat").error().code, ENOENT);
    EXPECT_EQ(list.registrableDomain("a.example.com"), "example.com");
}
