// Classification speed: one verdict with a host, and the processing of a 2,000-flow scan.
#include <benchmark/benchmark.h>

#include "classifier.h"
#include "resources.h"
#include "scanner.h"

namespace {

const TrackerList& shippedTrackers() {
    static const TrackerList list = [] {
        TrackerList loaded;
        loaded.loadFile(Resources::path("trackers.txt"));
        return loaded;
    }();
    return list;
}

void classifyWithHost(benchmark::State& state) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"203.0.113.5", "www.google-analytics.com"}, {"104.16.1.1", "cdn.unlisted.example"},
        {"151.101.1.1", "dpm.demdex.net"},           {"203.0.113.9", "nobody.example.org"},
        {"17.57.146.20", "metrics.xp.apple.com"},    {"142.250.1.1", "www.google.com"}};
    const TrackerList& trackers = shippedTrackers();
    size_t i = 0;
    for (auto _ : state) {
        const auto& [ip, host] = cases[i++ % cases.size()];
        benchmark::DoNotOptimize(Classifier::classify(ip, host, &trackers));
    }
}

std::vector<Flow> flows() {
    std::vector<Flow> list;
    for (int i = 0; i < 2000; ++i)
        list.push_back({1000 + i % 40, "app" + std::to_string(i % 40), i % 3 ? "tcp" : "udp",
                        "203.0." + std::to_string(i / 250) + "." + std::to_string(i % 250),
                        443 + i % 2, i * 10, i * 3});
    return list;
}

void scanOf2000Flows(benchmark::State& state) {
    ScannerOptions options;
    options.lookups = {[](const std::string&) { return std::optional<std::string>(); },
                       [](const std::string&) { return std::vector<std::string>(); }};
    Scanner scanner(std::make_shared<TrackerList>(shippedTrackers()), options);
    std::vector<Flow> listed = flows();
    scanner.connections(listed, false);
    scanner.resolver().waitIdle(std::chrono::seconds(10));
    for (auto _ : state)
        benchmark::DoNotOptimize(scanner.connections(listed, false));
}

} // namespace

BENCHMARK(classifyWithHost);
BENCHMARK(scanOf2000Flows)->Unit(benchmark::kMillisecond);
