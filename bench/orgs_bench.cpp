// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one lookup in the built-in address and domain tables.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "classify/ip_orgs.h"
#include "classify/known_orgs.h"

namespace {

template <typename Lookup>
void run(benchmark::State& state, const std::vector<std::string>& inputs, Lookup lookup) {
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(lookup(inputs[i++ % inputs.size()]));
    state.SetItemsProcessed(state.iterations());
}

// Hits early and late in the table, IPv6, and misses that walk every block.
void ipLookup(benchmark::State& state) {
    run(state,
        {"142.250.74.46", "192.30.253.1", "2606:4700::1111", "2a00:1450:4001::200e", "203.0.113.7",
         "2001:db8::1", "fe80::1%en0"},
        [](const std::string& ip) { return IPOrgs::lookup(ip); });
}

// Hits of several depths and misses that try every parent.
void hostLookup(benchmark::State& state) {
    run(state,
        {"1-courier.push.apple.com", "www.google.com", "lhr48s29-in-f14.1e100.net",
         "a.b.c.d.example.org", "Region1.Analytics.Google.COM", "localhost"},
        [](const std::string& host) { return KnownOrgs::lookup(host); });
}

} // namespace

BENCHMARK(ipLookup);
BENCHMARK(hostLookup);
