// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the snapshot pictures of the window over a fake lister with a few programs, host names,
// rules and journal entries: window_pictures <directory> [en|ru].
#include <QApplication>

#include "app_delegate.h"
#include "model_fixture.h"
#include "ss_text.h"

namespace {

class Demo : public ModelFixture {
  public:
    int run(const std::string& directory, const std::string& language) {
        setUp();
        hostNames = std::make_shared<std::map<std::string, std::string>>(
            std::map<std::string, std::string>{{"203.0.113.5", "ads.tracker.example"},
                                               {"151.101.1.69", "cdn.fastly.example"},
                                               {"142.250.74.46", "www.google.com"},
                                               {"198.51.100.20", "telemetry.vendor.example"}});
        listing(ssLine(1, "Firefox", "203.0.113.5:443", "tcp", 48210, 5120) +
                ssLine(1, "Firefox", "142.250.74.46:443", "tcp", 1830000, 92000) +
                ssLine(1, "Firefox", "142.250.74.46:443", "udp", 12000, 800) +
                ssLine(2, "Telegram", "149.154.167.51:443", "tcp", 220000, 31000) +
                ssLine(3, "Music Player", "151.101.1.69:443", "tcp", 5400000, 12000) +
                ssLine(4, "Editor", "198.51.100.20:443", "tcp", 800, 2300) +
                ssLine(7, "syncd", "198.51.100.77:5228", "tcp", 100, 200));
        std::filesystem::create_directories(dataRoot);
        std::ofstream(dataRoot + "/settings.json")
            << R"({"quiet":false,"interval":5,"language":")" << language
            << R"(","showLocal":false,"paused":false})";
        std::ofstream(*dir / "trackers.txt") << "p tracker.example\np vendor.example\n";
        qputenv("NATTERVANE_SNAPSHOT", QByteArray::fromStdString(directory));
        qputenv("NATTERVANE_SNAPSHOT_WAIT", "3");
        qputenv("NATTERVANE_SNAPSHOT_QUIT", "1");
        makeModel();
        AppDelegate delegate(*model);
        delegate.launch({"nattervane"});
        for (int i = 0; i < 100 && model->trackingNow() < 2; ++i) {
            if (!scanned()) return 1;
            QTest::qWait(10);
        }
        for (const AppRow& row : model->apps())
            for (const Connection& connection : row.conns) {
                if (connection.dest() == "ads.tracker.example")
                    model->setRule(connection, RuleAction::block);
                if (connection.dest() == "www.google.com")
                    model->setRule(connection, RuleAction::allow);
                if (connection.ip == "198.51.100.77") model->setRule(connection, RuleAction::ask);
            }
        if (!scanned()) return 1;
        const int code = QApplication::exec();
        tearDown();
        return code;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    return Demo().run(argv[1], argc > 2 ? argv[2] : "en");
}
