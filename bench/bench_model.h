// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real Model over a lister script that prints a fixed set of sockets, fake host names, a
// quiet desktop and a temporary data root, for the benchmarks that drive it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include <QCoreApplication>

#include "model.h"
#include "ss_fixture.h"

namespace BenchModel {

namespace fs = std::filesystem;

class QuietDesktop : public Desktop {
  public:
    void notify(const std::string&, const std::string&, const std::string&,
                const NoticeActions&) override {}
    std::optional<size_t> ask(const Question&) override { return std::nullopt; }
    Result<void> runAsAdmin(const std::vector<std::string>&, const std::string&) override {
        return {};
    }
    void openUrl(const std::string&) override {}
};

inline long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// One scan, applied, five seconds after the last.
inline void cycle(Model& model, Dates::TimePoint& now) {
    now += std::chrono::seconds(5);
    model.scan();
    while (model.scanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A temporary folder with the lister script printing `sockets` sockets and a data root whose
// settings keep the scan timer out of the way; removed at the end.
struct Root {
    fs::path path;
    platform::Descriptor descriptor = platform::linux();

    explicit Root(int sockets) {
        char pattern[] = "/tmp/nv-bench-XXXXXX";
        path = mkdtemp(pattern);
        std::ofstream(path / "ss.out") << ssFixture(sockets);
        std::ofstream(path / "ss")
            << "#!/bin/sh\nexec cat '" << (path / "ss.out").string() << "'\n";
        chmod((path / "ss").c_str(), 0755);
        fs::create_directories(path / "data");
        std::ofstream(path / "data" / "settings.json")
            << R"({"quiet":true,"interval":3600,"language":"en","showLocal":false,"paused":false})";
        descriptor.helperInstalledPath = path / "installed";
        descriptor.helperStatusPath = path / "status.txt";
        descriptor.helperUninstallPath = path / "nv-uninstall.sh";
    }
    ~Root() { fs::remove_all(path); }
    fs::path data() const { return path / "data"; }

    ModelOptions options(Dates::TimePoint& now) const {
        ModelOptions options;
        options.dataRoot = data().string();
        options.platform = &descriptor;
        options.scanner.listers = {{path / "ss", {}, "ss", platform::ListerFormat::ss, 8.0},
                                   {"/bin/true", {}, "lsof", platform::ListerFormat::lsof, 8.0}};
        options.scanner.pidPath = [](int32_t pid) -> std::optional<std::string> {
            return "/opt/program" + std::to_string(pid) + "/bin/program" + std::to_string(pid);
        };
        options.scanner.platform = &descriptor;
        options.scanner.lookups = {[](const std::string& ip) -> std::optional<std::string> {
                                       return "host-" + ip + ".example.net";
                                   },
                                   [](const std::string&) { return std::vector<std::string>(); }};
        options.clock = [&now] { return now; };
        options.desktop = std::make_shared<QuietDesktop>();
        options.trackerList = NATTERVANE_SOURCE_DIR "/resources/trackers.txt";
        options.orgTable = NATTERVANE_SOURCE_DIR "/resources/orgs.txt";
        options.helperDir = [] { return std::nullopt; };
        return options;
    }
};

} // namespace BenchModel
