// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "program_rules.h"
#include "rule_keeper.h"
#include "temp_dir.h"

namespace {

using ProgramRules::Address;
using ProgramRules::Program;

Address address(const char* text) {
    Address parsed;
    parsed.family = std::string_view(text).find(':') == std::string_view::npos ? AF_INET : AF_INET6;
    inet_pton(static_cast<int>(parsed.family), text, parsed.bytes.data());
    return parsed;
}

const Program editor{42, 7}, other{43, 7};

std::optional<Program> known(const std::string& path) {
    if (path == "/usr/bin/editor") return editor;
    if (path == "/usr/bin/other") return other;
    return std::nullopt;
}

} // namespace

TEST(ProgramRules, OnlyWellFormedLinesCount) {
    ProgramRules::Parsed parsed = ProgramRules::parse("block\t/usr/bin/editor\t*\n"
                                                      "allow\t/usr/bin/editor\tADS.example.com\n"
                                                      "block\t/usr/bin/editor\t2001:db8::7\n"
                                                      "ask\t/usr/bin/editor\tads.example.com\n"
                                                      "ask\t*\t192.0.2.1\n"
                                                      "ask\t*\t*\n"
                                                      "block\t*\t192.0.2.1\n"
                                                      "block\tusr/bin/editor\t*\n"
                                                      "block\t/usr/bin/editor\tnot a domain\n"
                                                      "block\t/usr/bin/editor\n"
                                                      "block\t/usr/bin/editor\t*\textra\n");
    // Only an ask is for every program, and for one destination.
    EXPECT_EQ(parsed.rejected, 6u);
    EXPECT_EQ(parsed.lines, (std::vector<ProgramRules::Line>{
                                {NV_RULE_BLOCK, "/usr/bin/editor", "*"},
                                {NV_RULE_ALLOW, "/usr/bin/editor", "ads.example.com"},
                                {NV_RULE_BLOCK, "/usr/bin/editor", "2001:db8::7"},
                                {NV_RULE_ASK, "/usr/bin/editor", "ads.example.com"},
                                {NV_RULE_ASK, "*", "192.0.2.1"}}));
}

// A domain stands for the addresses its names were looked up at; an IPv4 address is also
// reached as its mapped IPv6 form; a name's rule wins over an address's, a name below a domain
// over the domain; a program not on disk has nothing.
TEST(ProgramRules, TablesHoldWhatTheKernelCanMatch) {
    std::unordered_map<std::string, std::string> names{{"203.0.113.7", "ads.example.com"},
                                                       {"203.0.113.8", "x.ads.example.com"},
                                                       {"203.0.113.9", "badads.example.com"}};
    ProgramRules::Tables tables =
        ProgramRules::tables(ProgramRules::parse("block\t/usr/bin/editor\tads.example.com\n"
                                                 "allow\t/usr/bin/editor\tx.ads.example.com\n"
                                                 "allow\t/usr/bin/editor\t203.0.113.7\n"
                                                 "block\t/usr/bin/other\t*\n"
                                                 "block\t/usr/bin/gone\t*\n"
                                                 "ask\t*\tbadads.example.com\n")
                                 .lines,
                             known, names);
    EXPECT_EQ(tables.destinations,
              (std::map<Address, uint8_t>{{address("203.0.113.9"), NV_RULE_ASK},
                                          {address("::ffff:203.0.113.9"), NV_RULE_ASK}}));
    EXPECT_EQ(tables.programs, (std::map<Program, uint8_t>{{other, NV_RULE_BLOCK}}));
    std::map<std::pair<Program, Address>, uint8_t> expected{
        {{editor, address("203.0.113.7")}, NV_RULE_BLOCK},
        {{editor, address("::ffff:203.0.113.7")}, NV_RULE_BLOCK},
        {{editor, address("203.0.113.8")}, NV_RULE_ALLOW},
        {{editor, address("::ffff:203.0.113.8")}, NV_RULE_ALLOW}};
    EXPECT_EQ(tables.addresses, expected);
}

// The real files: a program is resolved as the kernel knows it; a change of the block file is
// seen at the next look. That a replaced program stays blocked is events.sh's check.
TEST(RuleKeeper, FollowsTheBlockFile) {
    TempDir dir;
    const std::string program = dir / "tool", rules = dir / "block_programs.txt";
    ASSERT_TRUE(AtomicFile::write(program, "#!/bin/sh\n"));
    struct stat status {};
    ASSERT_EQ(stat(program.c_str(), &status), 0);
    ASSERT_TRUE(AtomicFile::write(rules, "block\t" + program + "\t*\n"));
    RuleKeeper keeper(rules, geteuid(), "");
    std::optional<ProgramRules::Tables> first = keeper.refresh();
    ASSERT_TRUE(first);
    ASSERT_EQ(first->programs.size(), 1u);
    EXPECT_EQ(first->programs.begin()->first.inode, status.st_ino);
    EXPECT_EQ(keeper.refresh(), std::nullopt);
    ASSERT_TRUE(AtomicFile::write(rules, ""));
    EXPECT_EQ(keeper.refresh(), ProgramRules::Tables{});
    EXPECT_EQ(keeper.rejected(), 0u);
}
