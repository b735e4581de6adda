// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "firewall_script.h"

namespace {

const BlockLines::Entries entries{
    .ipv4 = {"192.0.2.1", "198.51.100.7"}, .ipv6 = {"2001:db8::1"}, .domains = {"x.example"}};

TEST(FirewallScript, NftReplacesTheWholeTableInOneScript) {
    EXPECT_EQ(FirewallScript::nftApply(entries),
              "table inet nattervane\n"
              "delete table inet nattervane\n"
              "table inet nattervane {\n"
              "\tset blocked4 {\n\t\ttype ipv4_addr\n"
              "\t\telements = {\n\t\t\t192.0.2.1,\n\t\t\t198.51.100.7,\n\t\t}\n\t}\n"
              "\tset blocked6 {\n\t\ttype ipv6_addr\n"
              "\t\telements = {\n\t\t\t2001:db8::1,\n\t\t}\n\t}\n"
              "\tchain output {\n\t\ttype filter hook output priority 0; policy accept;\n"
              "\t\tip daddr @blocked4 drop\n\t\tip6 daddr @blocked6 drop\n\t}\n"
              "\tchain input {\n\t\ttype filter hook input priority 0; policy accept;\n"
              "\t\tip saddr @blocked4 drop\n\t\tip6 saddr @blocked6 drop\n\t}\n"
              "}\n");
    // Sets without addresses have no element list.
    std::string script = FirewallScript::nftApply({});
    EXPECT_EQ(script.find("elements"), std::string::npos);
    EXPECT_NE(script.find("\tset blocked6 {\n\t\ttype ipv6_addr\n\t}\n"), std::string::npos);
    EXPECT_EQ(FirewallScript::nftRemove(), "table inet nattervane\ndelete table inet nattervane\n");
}

TEST(FirewallScript, PfLoadsOneTableBlockedBothWaysAndItsTokenIsDigits) {
    EXPECT_EQ(FirewallScript::pfApply(entries),
              "table <nattervane> persist {\n\t192.0.2.1\n\t198.51.100.7\n\t2001:db8::1\n}\n"
              "block drop out quick to <nattervane>\n"
              "block drop in quick from <nattervane>\n");
    EXPECT_TRUE(FirewallScript::pfApply({}).starts_with("table <nattervane> persist {\n}\n"));
    EXPECT_EQ(FirewallScript::pfToken("pf enabled\nToken : 1857290375264\n"), "1857290375264");
    EXPECT_EQ(FirewallScript::pfToken("Token : ; rm -rf /"), std::nullopt);
    EXPECT_EQ(FirewallScript::pfToken("pfctl: pf already enabled"), std::nullopt);
}

} // namespace
