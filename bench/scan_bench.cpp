// SPDX-License-Identifier: GPL-3.0-or-later
// One scan over a lister that prints 20,000 sockets: running the lister, parsing its output,
// identifying the programs, naming and classifying every address.
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <benchmark/benchmark.h>

#include "observe/scanner.h"
#include "ss_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int sockets = 20000;

void scan(benchmark::State& state) {
    char pattern[] = "/tmp/nv-bench-XXXXXX";
    fs::path root = mkdtemp(pattern);
    std::ofstream(root / "ss.out") << ssFixture(sockets);
    std::ofstream(root / "ss") << "#!/bin/sh\nexec cat '" << (root / "ss.out").string() << "'\n";
    chmod((root / "ss").c_str(), 0755);

    ScannerOptions options;
    options.listers = {{root / "ss", {}, "ss", platform::ListerFormat::ss, 8.0},
                       {"/bin/true", {}, "lsof", platform::ListerFormat::lsof, 8.0}};
    options.pidPath = [](int32_t pid) -> std::optional<std::string> {
        return "/opt/program" + std::to_string(pid) + "/bin/program" + std::to_string(pid);
    };
    options.lookups = {[](const std::string& ip) -> std::optional<std::string> {
                           return "host-" + ip + ".example.net";
                       },
                       [](const std::string&) { return std::vector<std::string>(); }};
    Scanner scanner(std::make_shared<TrackerList>(), options);
    size_t found = scanner.scan(false).size();
    // Names come from the background lookups the first scan started.
    scanner.resolver().waitIdle(std::chrono::seconds(30));
    for (auto _ : state)
        benchmark::DoNotOptimize(found = scanner.scan(false).size());
    state.counters["connections"] = static_cast<double>(found);
    fs::remove_all(root);
}

} // namespace

BENCHMARK(scan)->Unit(benchmark::kMillisecond);
