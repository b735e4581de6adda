// SPDX-License-Identifier: GPL-3.0-or-later
// One apply of 100,000 domains and 10,000 addresses: reading and validating the block files,
// building the firewall script, handing it to a program through a pipe, merging and writing the
// hosts file and the status.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "base/atomic_file.h"
#include "block_lines.h"
#include "firewall_script.h"
#include "helper.h"
#include "hosts_block.h"

namespace {

namespace fs = std::filesystem;

constexpr int domainCount = 100000;
constexpr int addressCount = 10000;
const std::string hosts = "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n";

std::string domainLines() {
    std::string text;
    for (int i = 0; i < domainCount; ++i)
        text += "tracker" + std::to_string(i) + ".ads-network" + std::to_string(i % 97) + ".com\n";
    return text;
}

std::string addressLines() {
    std::string text;
    for (int i = 0; i < addressCount; ++i)
        text += i % 5 == 0
                    ? "2001:db8::" + std::to_string(i) + "\n"
                    : "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250) + "\n";
    return text;
}

// A directory with both block files and a hosts file, removed at the end.
struct Workspace {
    fs::path dir = fs::temp_directory_path() / ("nv-helper-bench-" + std::to_string(getpid()));
    Workspace() {
        fs::create_directories(dir / "helper");
        // A file that is not written shows as a helper run with nothing to apply.
        static_cast<void>(AtomicFile::write(dir / "helper/block_ips.txt", addressLines()));
        static_cast<void>(AtomicFile::write(dir / "helper/block_domains.txt", domainLines()));
    }
    ~Workspace() { fs::remove_all(dir); }
};

void applyWholeRuleSet(benchmark::State& state) {
    Workspace workspace;
    HelperOptions options{.directory = workspace.dir / "helper",
                          .hostsFile = workspace.dir / "hosts",
                          .hostsGiven = true,
                          .statusFile = workspace.dir / "status.txt",
                          .user = std::nullopt,
                          .dryRun = false};
    // Stands in for `nft -f -`: a program that reads the whole script.
    std::vector<std::string> loader{"/bin/sh", "-c", "cat > /dev/null"};
    FirewallBackend firewall{.applyCommand = loader,
                             .applyScript = FirewallScript::nftApply,
                             .removeCommand = loader,
                             .removeScript = FirewallScript::nftRemove(),
                             .flushCommands = {}};
    std::ostringstream out, err;
    for (auto _ : state) {
        state.PauseTiming();
        if (!AtomicFile::write(options.hostsFile, hosts)) state.SkipWithError("hosts not written");
        state.ResumeTiming();
        if (Helper::run(options, firewall, out, err) != 0) state.SkipWithError(err.str().c_str());
    }
    state.counters["hostsBytes"] = static_cast<double>(fs::file_size(options.hostsFile));
}
BENCHMARK(applyWholeRuleSet)->Unit(benchmark::kMillisecond);

void buildRulesAndHostsBlock(benchmark::State& state) {
    std::string ips = addressLines(), domains = domainLines();
    for (auto _ : state) {
        BlockLines::Entries entries;
        BlockLines::add(entries, ips, domains);
        benchmark::DoNotOptimize(FirewallScript::nftApply(entries));
        benchmark::DoNotOptimize(HostsBlock::merge(hosts, entries.domains));
    }
}
BENCHMARK(buildRulesAndHostsBlock)->Unit(benchmark::kMillisecond);

} // namespace
