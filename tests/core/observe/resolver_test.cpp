// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "observe/resolver.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

namespace {

// Fake DNS: fixed answers, counting every question.
struct FakeDns {
    std::map<std::string, std::optional<std::string>> names;
    std::map<std::string, std::vector<std::string>> addresses;
    std::optional<std::string> otherwise;
    // While set, reverse lookups wait for it.
    std::shared_future<void> gate;
    std::atomic<int> reverseCalls{0};
    std::atomic<int> forwardCalls{0};
    std::mutex lock;
    std::vector<std::string> asked;

    Resolver::Lookups lookups() {
        return {[this](const std::string& ip) {
                    ++reverseCalls;
                    if (gate.valid()) gate.wait();
                    std::lock_guard guard(lock);
                    asked.push_back(ip);
                    auto found = names.find(ip);
                    return found == names.end() ? otherwise : found->second;
                },
                [this](const std::string& domain) {
                    ++forwardCalls;
                    return addresses[domain];
                }};
    }
};

} // namespace

TEST(Resolver, LooksUpEachAddressOnceEvenWhileTheLookupRuns) {
    std::promise<void> release;
    FakeDns dns;
    dns.gate = release.get_future().share();
    Resolver resolver(dns.lookups());
    // The callers never wait for the blocked lookup.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(resolver.name("203.0.113.9"), std::nullopt);
    EXPECT_FALSE(resolver.waitIdle(50ms));
    release.set_value();
    ASSERT_TRUE(resolver.waitIdle(5s));
    // A failed address is remembered and never asked about again.
    EXPECT_EQ(resolver.name("203.0.113.9"), std::nullopt);
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(dns.reverseCalls, 1);
}

// Thousands of new addresses at once: only so many lookups wait; the others start when asked
// about again.
TEST(Resolver, BoundsTheLookupsWaiting) {
    std::promise<void> release;
    FakeDns dns;
    dns.gate = release.get_future().share();
    Resolver resolver(dns.lookups(), 1);
    const int asked = static_cast<int>(Resolver::mostPending) + 100;
    auto askAll = [&] {
        for (int i = 0; i < asked; ++i)
            resolver.name("198.18." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250));
    };
    askAll();
    release.set_value();
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(dns.reverseCalls, static_cast<int>(Resolver::mostPending));
    askAll();
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(dns.reverseCalls, asked);
}

// Behind a backlog of slow lookups, the address met last is the one looked up next.
TEST(Resolver, LooksUpTheNewestAddressFirst) {
    std::promise<void> release;
    FakeDns dns;
    dns.gate = release.get_future().share();
    Resolver resolver(dns.lookups(), 1);
    resolver.name("203.0.113.1");
    for (int tries = 0; dns.reverseCalls == 0 && tries < 5000; ++tries)
        std::this_thread::sleep_for(1ms);
    resolver.name("203.0.113.2");
    resolver.name("203.0.113.3");
    release.set_value();
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(dns.asked, (std::vector<std::string>{"203.0.113.1", "203.0.113.3", "203.0.113.2"}));
}

TEST(Resolver, KeepsTheNamesOfABoundedNumberOfAddressesDroppingTheOldest) {
    FakeDns dns;
    dns.otherwise = "named.example";
    Resolver resolver(dns.lookups());
    const auto address = [](size_t i) {
        return "198.18." + std::to_string(i / 256) + "." + std::to_string(i % 256);
    };
    resolver.name(address(0));
    ASSERT_TRUE(resolver.waitIdle(5s));
    for (size_t i = 1; i <= Resolver::mostAddresses; ++i) {
        resolver.name(address(i));
        if (i % Resolver::mostPending == 0) {
            ASSERT_TRUE(resolver.waitIdle(5s));
        }
    }
    ASSERT_TRUE(resolver.waitIdle(5s));
    // Full to the bound: the newest and the second oldest are still known; the oldest was dropped
    // and is asked about again.
    EXPECT_EQ(resolver.name(address(Resolver::mostAddresses)), "named.example");
    EXPECT_EQ(resolver.name(address(1)), "named.example");
    EXPECT_EQ(resolver.name(address(0)), std::nullopt);
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(resolver.name(address(0)), "named.example");
    EXPECT_EQ(dns.reverseCalls, static_cast<int>(Resolver::mostAddresses) + 2);
}

TEST(Resolver, PrimedDomainsWinOverReverseNamesButNotOverKnownBlocks) {
    FakeDns dns;
    dns.names["203.0.113.7"] = "reverse.example";
    dns.addresses["tracker.example"] = {"203.0.113.7", "151.101.1.1", "2001:db8::7"};
    Resolver resolver(dns.lookups());
    resolver.name("203.0.113.7");
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(resolver.name("203.0.113.7"), "reverse.example");
    resolver.prime({"tracker.example", "unresolvable.example"});
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(resolver.name("203.0.113.7"), "tracker.example");
    EXPECT_EQ(resolver.name("2001:db8::7"), "tracker.example");
    // Fastly's block is named by the address table, so priming does not claim it.
    EXPECT_EQ(resolver.name("151.101.1.1"), std::nullopt);
    // A private address learnt by priming is named, though it is never reverse-looked up.
    dns.addresses["lan.example"] = {"192.168.1.5"};
    resolver.prime({"lan.example"});
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(resolver.name("192.168.1.5"), "lan.example");
    EXPECT_EQ(dns.forwardCalls, 3);
}

TEST(Resolver, StopsPromptlyWithWorkQueuedAndSystemLookupsSkipWhatIsNoName) {
    auto started = std::make_shared<std::atomic<int>>(0);
    auto slow = [started](const std::string&) {
        ++*started;
        std::this_thread::sleep_for(20ms);
        return std::vector<std::string>();
    };
    auto begin = std::chrono::steady_clock::now();
    {
        Resolver resolver({[](const std::string&) { return std::optional<std::string>(); }, slow},
                          2);
        resolver.prime(std::vector<std::string>(500, "d.example"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_LT(*started, 500);
    // A real reverse lookup is dns_namespace.sh's check, against its own name server.
    EXPECT_EQ(Resolver::reverse("not an address"), std::nullopt);
    EXPECT_EQ(Resolver::forward("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
}

TEST(Resolver, PublishedNamesComeBeforeReverseLookupsWhichStayTheFallback) {
    FakeDns dns;
    dns.names["198.51.100.77"] = "edge7.provider.test";
    dns.names["198.51.100.78"] = "host78.provider.test";
    dns.addresses["watched.test"] = {"198.51.100.77"};
    TempDir dir;
    const std::string file = dir.path() + "/names";
    Resolver resolver(dns.lookups(), 2, file);
    resolver.prime({"watched.test"});
    ASSERT_TRUE(resolver.waitIdle(5s));

    ASSERT_TRUE(AtomicFile::write(file, "198.51.100.77 App.Example-CDN.test\n"
                                        "198.51.100.79 bad..name\n"
                                        "not-an-address x.test\n"
                                        "::ffff:198.51.100.80 mapped.test\n"));
    // Read only when asked to, once a scan.
    EXPECT_EQ(resolver.name("198.51.100.77"), "watched.test");
    resolver.refreshNames();
    EXPECT_EQ(resolver.name("198.51.100.77"), "app.example-cdn.test");
    EXPECT_EQ(resolver.name("198.51.100.80"), "mapped.test");
    EXPECT_EQ(resolver.name("198.51.100.79"), std::nullopt);
    EXPECT_EQ(resolver.name("198.51.100.78"), std::nullopt);
    // Addresses not on the internet are never looked up.
    for (const char* ip : {"192.168.1.1", "127.0.0.1", "fe80::1", "ff02::fb", "10.0.0.1"})
        EXPECT_EQ(resolver.name(ip), std::nullopt);
    ASSERT_TRUE(resolver.waitIdle(5s));
    EXPECT_EQ(resolver.name("198.51.100.78"), "host78.provider.test");
    // A published name starts no reverse lookup.
    EXPECT_EQ(dns.reverseCalls, 2); // .79 and .78

    // A name that left the file (expired, or the helper removed) falls back.
    ASSERT_TRUE(AtomicFile::write(file, "198.51.100.78 app2.example-cdn.test\n"));
    resolver.refreshNames();
    EXPECT_EQ(resolver.name("198.51.100.78"), "app2.example-cdn.test");
    EXPECT_EQ(resolver.name("198.51.100.77"), "watched.test");
    std::filesystem::remove(file);
    resolver.refreshNames();
    EXPECT_EQ(resolver.name("198.51.100.78"), "host78.provider.test");
}
