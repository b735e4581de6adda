// Scan cycles of the real Model over a lister that prints a fixed set of sockets: the time of one
// cycle and how much the resident memory grows once the Model is warm.
//
//   model_cycles [cycles] [sockets]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include <QCoreApplication>

#include "model.h"
#include "ss_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int warmUpCycles = 100;

class QuietDesktop : public Desktop {
  public:
    void notify(const std::string&, const std::string&, const std::string&) override {}
    std::optional<size_t> ask(const Question&) override { return std::nullopt; }
    void runAsAdmin(const std::vector<std::string>&, const std::string&) override {}
    void openUrl(const std::string&) override {}
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void cycle(Model& model, Dates::TimePoint& now) {
    now += std::chrono::seconds(5);
    model.scan();
    while (model.scanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

ModelOptions options(const fs::path& root, const platform::Descriptor& descriptor,
                     Dates::TimePoint& now) {
    ModelOptions options;
    options.dataRoot = (root / "data").string();
    options.platform = &descriptor;
    options.scanner.primaryLister = {root / "ss", {}, "ss", platform::ListerFormat::ss, 8.0};
    options.scanner.fallbackLister = {"/bin/true", {}, "lsof", platform::ListerFormat::lsof, 8.0};
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
    options.helperDir = [] { return std::nullopt; };
    return options;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int cycles = argc > 1 ? std::stoi(argv[1]) : 1000;
    const int sockets = argc > 2 ? std::stoi(argv[2]) : 1000;
    char pattern[] = "/tmp/nv-bench-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    std::ofstream(root / "ss.out") << ssFixture(sockets);
    std::ofstream(root / "ss") << "#!/bin/sh\nexec cat '" << (root / "ss.out").string() << "'\n";
    chmod((root / "ss").c_str(), 0755);
    fs::create_directories(root / "data");
    std::ofstream(root / "data" / "settings.json")
        << R"({"quiet":true,"interval":3600,"language":"en","showLocal":false,"paused":false})";
    platform::Descriptor descriptor = platform::linux();
    descriptor.helperInstalledPath = root / "installed";
    descriptor.helperStatusPath = root / "status.txt";
    descriptor.helperUninstallPath = root / "nv-uninstall.sh";
    Dates::TimePoint now = std::chrono::system_clock::now();
    {
        Model model(options(root, descriptor, now));
        model.start();
        for (int n = 0; n < warmUpCycles; ++n)
            cycle(model, now);
        const long before = residentKiB();
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < cycles; ++n)
            cycle(model, now);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long after = residentKiB();
        std::printf("sockets %d, rows %zu, journal entries %zu\n", sockets, model.apps().size(),
                    model.journalRows().size());
        std::printf("%d cycles after %d warm-up cycles: %.2f ms a cycle\n", cycles, warmUpCycles,
                    seconds * 1000 / cycles);
        std::printf("resident memory %ld KiB -> %ld KiB: growth %ld KiB\n", before, after,
                    after - before);
    }
    fs::remove_all(root);
    return 0;
}
