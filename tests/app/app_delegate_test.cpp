// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include <QImage>
#include <QTest>

#include "delegate_fixture.h"
#include "desktop/launch_options.h"
#include "present/credits.h"
#include "present/status_text.h"
#include "read_text.h"

namespace {

// The toolkit menu as indented text, the way the menu entries dump.
std::string dumpActions(const QMenu& menu, const std::string& indent = "") {
    std::string text;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            text += indent + "────\n";
            continue;
        }
        text += indent + (action->isChecked() ? "✓ " : "  ") +
                action->text().replace("&&", "&").toStdString() + "\n";
        if (action->menu()) text += dumpActions(*action->menu(), indent + "    ");
    }
    return text;
}

// The item reached through the titles of `path`, or null.
QAction* item(const QMenu& menu, const QStringList& path) {
    const QMenu* current = &menu;
    QAction* found = nullptr;
    for (const QString& title : path) {
        found = nullptr;
        for (QAction* action : current->actions())
            if (action->text().replace("&&", "&") == title) found = action;
        if (!found) return nullptr;
        current = found->menu();
    }
    return found;
}

} // namespace

// The status menu and the window over the real Model, as the user clicks them.
class AppDelegateTest : public QObject, public DelegateFixture {
    Q_OBJECT

    QMenu& menu() {
        delegate->rebuildMenu(delegate->menu());
        return delegate->menu();
    }

    void click(const QStringList& path) {
        QAction* action = item(menu(), path);
        QVERIFY2(action, qPrintable(path.join(" > ")));
        action->trigger();
    }

    static QStringList trackerRule(const QString& action) {
        return {"Who is calling out now", "Browser  —  2 connections · 1 tracker",
                "ads.tracker.example · Tracker", action};
    }

  private slots:
    void init() { setUp(); }

    void cleanup() { tearDown(); }

    void toolkitMenuMirrorsTheEntriesAndItsItemsAct() {
        launch("Tom & Jerry");
        QCOMPARE(dumpActions(menu()), dumpMenu(delegate->menuEntries()));
        QVERIFY(
            !item(menu(), {StatusText::statusLine(false, 2, 1, Lang::en).c_str()})->isEnabled());
        QVERIFY(item(menu(), {"Quit"})->isEnabled());
        // Rebuilding does not pile up submenus.
        for (int i = 0; i < 5; ++i)
            menu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(
            delegate->menu().findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).size(),
            qsizetype(1));
        // Rule items set, replace and clear a rule.
        click(trackerRule("Block"));
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::block);
        QVERIFY(item(menu(), trackerRule("Block"))->isChecked());
        click(trackerRule("Allow"));
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::allow);
        click(trackerRule("Allow"));
        QCOMPARE(model->rules().action("ads.tracker.example"), std::nullopt);
        QVERIFY(!item(menu(), trackerRule("Allow"))->isChecked());
        // Without a tray the window opens at launch; the menu opens it again.
        QWidget* window = delegate->window();
        QVERIFY(window && window->isVisible());
        click({"Who is calling out now", "Browser  —  2 connections · 1 tracker",
               "Block all of “Browser” addresses"});
        QCOMPARE(model->rules().action("ads.tracker.example"), RuleAction::block);
        QCOMPARE(model->rules().action("198.51.100.7"), RuleAction::block);
        QCOMPARE(model->rules().action("198.51.100.8"), std::nullopt);

        delegate->windowState().setTab(2);
        click({"Who is calling out now", "Tom & Jerry  —  1 connection", "Details…"});
        QCOMPARE(delegate->windowState().selectedApp(), std::optional<std::string>("Tom & Jerry"));
        QCOMPARE(delegate->windowState().tab(), 0);
        click({"Journal…"});
        QCOMPARE(delegate->windowState().tab(), 1);
        window->close();
        click({"Open Nattervane…"});
        QVERIFY(window->isVisible());
    }

    void switchesStoreResumingScansAtOnceAndTheWipeAsksFirst() {
        launch("Tom & Jerry");
        click({"Quiet mode"});
        QVERIFY(model->settings().quiet);
        QVERIFY(item(menu(), {"Quiet mode"})->isChecked());
        click({"Block everything new"});
        QVERIFY(model->rules().blockNew);

        click({"Pause watching"});
        QCOMPARE(delegate->stateColor(), SignalColor::gray);
        QCOMPARE(delegate->statusLine(), std::string("Paused"));
        // Paused, a scan changes nothing; resuming scans at once.
        *now += 1h;
        QVERIFY(scanned());
        QVERIFY(model->lastScan() != std::optional(*now));
        click({"Pause watching"});
        QVERIFY(settled());
        QCOMPARE(model->lastScan(), std::optional(*now));
        // The wipe asks first and only its first button wipes.
        desktop->questions.clear();
        desktop->answers = {1, std::nullopt};
        click({"Delete journal"});
        click({"Delete journal"});
        QVERIFY(!model->journalRows().empty());
        QCOMPARE(desktop->questions.size(), size_t(2));
        QCOMPARE(desktop->questions[0],
                 (Question{"Delete the whole journal?",
                           "All recorded connections on this computer will be "
                           "erased. Rules stay.",
                           {"Delete", "Cancel"}}));
        desktop->answers = {0};
        click({"Delete journal"});
        QVERIFY(model->journalRows().empty());

        click({Credits::makerLine().c_str()});
        QCOMPARE(desktop->urls, std::vector<std::string>{Credits::makerSite()});
    }

    void snapshotWritesTheWindowTheIconAndTheMenu() {
        const std::string out = *dir / "pictures/new";
        qputenv("NATTERVANE_SNAPSHOT", out.c_str());
        qputenv("NATTERVANE_SNAPSHOT_WAIT", "0");
        launch("Tom & Jerry");
        qunsetenv("NATTERVANE_SNAPSHOT");
        qunsetenv("NATTERVANE_SNAPSHOT_WAIT");
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(out + "/statusicon.png"), 20000);
        for (const SnapshotJob& job : LaunchOptions::snapshotJobs())
            QCOMPARE(QImage(QString::fromStdString(job.fileIn(out))).size(),
                     delegate->window()->size());
        QCOMPARE(QImage(QString::fromStdString(out + "/statusicon.png")).size(), QSize(44, 44));
        QCOMPARE(readText(out + "/menu.txt"), dumpMenu(delegate->menuEntries()));
    }
};

QTEST_MAIN(AppDelegateTest)
#include "app_delegate_test.moc"
