// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "fixture.h"
#include "observe/parsers.h"

using Parsers::Endpoint;

// The shapes the parsers' rows below do not already give.
TEST(SplitEndpoint, SplitsAsTheToolsPrint) {
    struct Case {
        std::string text;
        bool ipv6;
        std::optional<Endpoint> expected;
    };
    for (const Case& c : std::vector<Case>{
             {"[2001:db8::7]:443", true, Endpoint{"2001:db8::7", 443}},
             {"[fe80::1%en0]:5353", false, Endpoint{"fe80::1", 5353}},
             {"[2001:db8::7]", false, Endpoint{"2001:db8::7", 0}},
             {"[2001:db8::7", false, std::nullopt},
             {"203.0.113.7:", false, std::nullopt},
             {"203.0.113.7:ab", false, std::nullopt},
             {":443", false, std::nullopt},
             {"203.0.113.7:443", true, std::nullopt},
             {"203.0.113.7: 443", false, std::nullopt},
             {"203.0.113.7:99999999999999999999", false, std::nullopt},
         })
        EXPECT_EQ(Parsers::splitEndpoint(c.text, c.ipv6), c.expected) << c.text << " " << c.ipv6;
}

// Each lister's text, as its manual shows it and with lines that must be skipped.
TEST(Parsers, ReadTheFlowsOfEachListersText) {
    struct Case {
        const char* name;
        std::vector<Flow> (*parse)(std::string_view);
        std::string text;
        std::vector<Flow> expected;
    };
    for (const Case& c : std::vector<Case>{
             {"nettop as its manual shows it",
              Parsers::parseNettop,
              ",bytes_in,bytes_out,\ntcp4 192.168.1.20:53000<->203.0.113.9:80,1,1,\n"
              "Editor.4711,5230,1200,\ntcp4 192.168.1.20:53012<->203.0.113.7:443,5230,1200,\n"
              "tcp6 2001:db8::20.53013<->2001:db8::7.443,0,0,\nudp4 *:*<->*:*,0,0,\n"
              "com.example.syncagent.88,0,0,\nquic4 192.168.1.20:60110<->198.51.100.4:443,77,66,\n",
              {{4711, "Editor", "tcp", "203.0.113.7", 443, 5230, 1200},
               {4711, "Editor", "tcp", "2001:db8::7", 443, 0, 0},
               {88, "com.example.syncagent", "quic", "198.51.100.4", 443, 77, 66}}},
             {"nettop: process lines and counters",
              Parsers::parseNettop,
              "name.with.dots.42\ntcp4 a:1<->203.0.113.7:443,10\ntcp4 a:1<->203.0.113.7:444\n"
              "tcp4 a:1<->203.0.113.7:445,x,-\nquic6 a.1<->2001:db8::7.443,1,2\n"
              "tcp6 a.1<->fe80::1%en0.5353,1,2\nnodot\ntcp4 a:1<->203.0.113.7:446,1,1\nGood.7\n"
              "tcp4 a:1<->203.0.113.7:447<->x,1,1\ntcp4 a:1<->203.0.113.7:448,1,1\r\nbad.x7\n"
              "tcp4 a:1<->203.0.113.7:449,1,1",
              {{42, "name.with.dots", "tcp", "203.0.113.7", 443, 10, 0},
               {42, "name.with.dots", "tcp", "203.0.113.7", 444, 0, 0},
               {42, "name.with.dots", "tcp", "203.0.113.7", 445, 0, 0},
               {42, "name.with.dots", "quic", "2001:db8::7", 443, 1, 2},
               {42, "name.with.dots", "tcp", "fe80::1", 5353, 1, 2},
               {7, "Good", "tcp", "203.0.113.7", 448, 1, 1}}},
             {"lsof as its manual shows it",
              Parsers::parseLsof,
              "p4711\ncEditor\nf23\nPTCP\nn192.168.1.20:53012->203.0.113.7:443\nTST=ESTABLISHED\n"
              "f24\nPTCP\nn[2001:db8::20]:53013->[2001:db8::7]:443\nf25\nPUDP\nn*:5353\np88\n"
              "csyncd\nf5\nPUDP\nn192.168.1.20:60110->198.51.100.4:443\n",
              {{4711, "Editor", "tcp", "203.0.113.7", 443, 0, 0},
               {4711, "Editor", "tcp", "2001:db8::7", 443, 0, 0},
               {88, "syncd", "udp", "198.51.100.4", 443, 0, 0}}},
             {"lsof: state carried, what does not fit skipped",
              Parsers::parseLsof,
              "p\ncHidden\nPTCP\nn1.2.3.4:5->203.0.113.7:443\np9\ncTool\nPTCP\nn1.2.3.4:5->*:443\n"
              "n1.2.3.4:5->203.0.113.7:443\nn1.2.3.4:5->203.0.113.7:443\nn1.2.3.4:5->a->b:1\n",
              {{9, "Tool", "tcp", "203.0.113.7", 443, 0, 0},
               {9, "Tool", "tcp", "203.0.113.7", 443, 0, 0}}},
             {"netstat as its manual shows it",
              Parsers::parseNetstat,
              "Proto Recv-Q Send-Q  Local Address          Foreign Address        (state)\n"
              "tcp4       0      0  192.168.1.20.53012     203.0.113.7.443        ESTABLISHED\n"
              "udp4       0      0  *.5353                 *.*\n",
              {{-1, "?", "tcp", "203.0.113.7", 443, 0, 0}}},
             {"ss: line shapes; a dual-stack socket's IPv4 peer is the IPv4 address",
              Parsers::parseSs,
              "tcp ESTAB 0 0 10.0.0.2:5 [fe80::1]%eth0:22 users:((\"Web Content\",pid=12,fd=3),"
              "(\"Web Content\",pid=12,fd=9))\n"
              "\t bytes_acked:11 bytes_received:7\n"
              "\t bytes_sent:99 bytes_received:99\n"
              "udp UNCONN 0 0 0.0.0.0:68 0.0.0.0:*\n"
              "\t bytes_sent:5\n"
              "tcp ESTAB 0 0 10.0.0.2:5 203.0.113.7:443 users:((\"cut\",pid=1\n"
              "u_str ESTAB 0 0 * 1 * 2 users:((\"x\",pid=1,fd=1))\ntcp ESTAB 0 0 10.0.0.2:5\n"
              "tcp ESTAB 0 0 10.0.0.2:5 127.0.0.53%lo:53 users:((\"x\",pid=+5,fd=1))\n"
              "tcp ESTAB 0 0 [::ffff:10.0.0.2]:5 [::ffff:203.0.113.9]:443 "
              "users:((\"y\",pid=6,fd=1))\n",
              {{12, "Web Content", "tcp", "fe80::1", 22, 7, 10},
               {5, "x", "tcp", "127.0.0.53", 53, 0, 0},
               {6, "y", "tcp", "203.0.113.9", 443, 0, 0}}},
             {"ss: one flow for each process sharing a socket",
              Parsers::parseSs,
              fixture("ss_shared_socket.txt"),
              {{4307, "python3", "tcp", "127.0.0.1", 47021, 0, 5},
               {4265, "python3", "tcp", "127.0.0.1", 47021, 0, 5},
               {4307, "python3", "tcp", "127.0.0.1", 35870, 5, 0},
               {4265, "python3", "tcp", "127.0.0.1", 35870, 5, 0}}},
             {"ss: sockets of other users are kept without their process",
              Parsers::parseSs,
              fixture("ss_unprivileged.txt"),
              {{-1, "?", "tcp", "127.0.0.1", 47021, 0, 5},
               {-1, "?", "tcp", "127.0.0.1", 35870, 5, 0}}},
             // The last detail line was cut before its counters.
             {"ss cut short",
              Parsers::parseSs,
              fixture("ss_cut_short.txt"),
              {{4203, "python3", "udp", "127.0.0.1", 47013, 0, 0},
               {4203, "python3", "tcp", "127.0.0.1", 45480, 0, 0}}},
             {"lsof cut short",
              Parsers::parseLsof,
              fixture("lsof_cut_short.txt"),
              {{4203, "python3", "tcp", "127.0.0.1", 47011, 0, 0},
               {4203, "python3", "tcp", "127.0.0.1", 45480, 0, 0},
               {4203, "python3", "tcp", "::1", 47012, 0, 0}}},
         })
        EXPECT_EQ(c.parse(c.text), c.expected) << c.name;
}

TEST(Parsers, EmptyAndForeignTextYieldNothing) {
    std::string garbage = fixture("garbage_text.txt");
    for (auto parse :
         {Parsers::parseNettop, Parsers::parseLsof, Parsers::parseNetstat, Parsers::parseSs}) {
        EXPECT_TRUE(parse("").empty());
        EXPECT_TRUE(parse(garbage).empty());
    }
    EXPECT_TRUE(Parsers::parseSs(fixture("lsof_loopback.txt")).empty());
    EXPECT_TRUE(Parsers::parseNettop(fixture("ss_loopback.txt")).empty());
}
