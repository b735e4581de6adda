// SPDX-License-Identifier: GPL-3.0-or-later
// The writer's side of the system journal export: one record of a new journal entry, built and
// sent to a datagram socket read by a thread of its own (a journald stand-in in a temporary
// folder). At 10 new connections a second the cost is 10 records' time a second: a record's
// time in µs / 1000 is the share of a core in percent.
#include <atomic>
#include <filesystem>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>

#include <benchmark/benchmark.h>

#include "base/owned_fd.h"
#include "present/journal_export.h"

namespace {

// A bound datagram socket that a thread drains until the end.
struct StandIn {
    std::string dir;
    OwnedFd fd{socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)};
    std::atomic<bool> done = false;
    std::thread reader;

    StandIn() {
        char pattern[] = "/tmp/nv-bench-XXXXXX";
        dir = mkdtemp(pattern);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path().copy(address.sun_path, sizeof address.sun_path - 1);
        bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        const timeval wait{0, 100'000};
        setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        reader = std::thread([this] {
            char buffer[65536];
            while (!done)
                static_cast<void>(recv(fd.get(), buffer, sizeof buffer, 0));
        });
    }
    ~StandIn() {
        done = true;
        reader.join();
        std::filesystem::remove_all(dir);
    }
    std::string path() const { return dir + "/socket"; }
};

void NewEntryRecord(benchmark::State& state) {
    StandIn journald;
    JournalExport exporter(journald.path(), "ana");
    exporter.setOn(true);
    Connection connection;
    connection.app = {"Firefox", std::nullopt, "/usr/lib/firefox-esr/firefox-esr"};
    connection.ip = "192.0.2.7";
    connection.port = 443;
    connection.verdict = {Category::analytics, "Example Analytics", "example.com"};
    JournalEntry entry;
    entry.day = "2026-12-10";
    entry.app = connection.app.name;
    entry.bytesIn = 4000;
    entry.bytesOut = 1200;
    const auto now = std::chrono::system_clock::now();
    int64_t n = 0;
    for (auto _ : state) {
        // Each a new destination, so each makes a record.
        connection.host = "t" + std::to_string(n++) + ".example.com";
        entry.dest = *connection.host;
        exporter.entry(connection, entry, Lang::en, platform::Wording::linux, now);
    }
    state.counters["refused"] = static_cast<double>(exporter.refused());
}
BENCHMARK(NewEntryRecord)->Unit(benchmark::kMicrosecond);

} // namespace
