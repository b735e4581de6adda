// SPDX-License-Identifier: GPL-3.0-or-later
// The window over a full week of journal: how long a tab switch takes until the tab is drawn, how
// long one scan takes with its redraw on each tab, and the resident memory.
//
//   window_cost [entries] [cycles]      entries over seven days (14000), scans per tab (20)
//   window_cost --fill DIR [entries]    only writes such a journal into DIR/journal
// Without a display it draws offscreen.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include "app_delegate.h"
#include "bench_model.h"
#include "store/journal.h"

using namespace BenchModel;

namespace {

constexpr int days = 7;
const std::array<Category, 5> categories{Category::service, Category::cdn, Category::tracker,
                                         Category::analytics, Category::unknown};

// `entries` journal entries spread evenly over the seven days up to `now`.
void fillJournal(const fs::path& root, int entries, Dates::TimePoint now) {
    Journal journal((root / "journal").string(), days, [now] { return now; });
    for (int n = 0; n < entries; ++n) {
        const Dates::TimePoint at = now - std::chrono::hours{24 * (n % days)};
        const Verdict verdict{
            categories[n % categories.size()],
            n % 3 ? std::optional<std::string>("Company " + std::to_string(n % 60)) : std::nullopt,
            std::nullopt};
        journal.record(
            "Program " + std::to_string(n % 40), "host" + std::to_string(n) + ".example.com",
            "192.0.2." + std::to_string(n % 250), 443, verdict, n * 1000, n * 300, n % 11 == 0, at);
    }
    // An unsaved journal shows as an empty window, plain in the timings.
    static_cast<void>(journal.save());
}

// Milliseconds from choosing `tab` until the window has drawn it.
double switchTo(WindowState& state, QWidget& window, int tab) {
    QElapsedTimer timer;
    timer.start();
    state.setTab(tab);
    QCoreApplication::processEvents();
    window.grab();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Milliseconds of one scan applied and drawn, averaged over `cycles`.
double scans(Model& model, QWidget& window, Dates::TimePoint& now, int cycles) {
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < cycles; ++n) {
        cycle(model, now);
        window.grab();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / cycles;
}

} // namespace

int main(int argc, char** argv) {
    const Dates::TimePoint start = std::chrono::system_clock::now();
    if (argc > 2 && std::string(argv[1]) == "--fill") {
        fillJournal(argv[2], argc > 3 ? std::atoi(argv[3]) : 14000, start);
        return 0;
    }
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 14000;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 20;
    Root root(20);
    Dates::TimePoint now = start;
    fillJournal(root.data(), entries, now);
    Model model(root.options(now));
    AppDelegate delegate(model);
    delegate.launch({"nattervane", "--open"});
    while (model.scanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QWidget& window = *delegate.window();
    window.grab();
    std::printf("journal entries %zu, programs %zu\n", model.journalRows().size(),
                model.apps().size());
    std::printf("Programs tab: scan and redraw %.2f ms\n", scans(model, window, now, cycles));
    std::printf("switch to Journal: %.1f ms\n", switchTo(delegate.windowState(), window, 1));
    std::printf("Journal tab: scan and redraw %.2f ms\n", scans(model, window, now, cycles));
    std::printf("switch to Programs: %.1f ms\n", switchTo(delegate.windowState(), window, 0));
    std::printf("switch to Journal again: %.1f ms\n", switchTo(delegate.windowState(), window, 1));
    std::printf("resident memory %.1f MB\n", residentKiB() / 1024.0);
    return 0;
}
