// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "base/atomic_file.h"
#include "fake_event_service.h"
#include "journal_stand_in.h"
#include "model_fixture.h"
#include "read_text.h"
#include "ss_text.h"
#include "store/journal.h"
#include "store/rule_store.h"
#include "store/settings.h"

using Names = std::vector<std::string>;

// The real Model over fake listers, a fake clock, fake name lookups and a temporary data root.
class ModelTest : public QObject, public ModelFixture {
    Q_OBJECT

  private:
    void writeSettings(const Settings& settings) {
        QVERIFY(::writeSettings(paths().settingsFile(), settings));
    }

    void writeRules(const RuleSet& rules) { QVERIFY(RuleStore::save(rules, paths())); }

    // The destinations of the journal's files on disk, as "app|dest".
    Names journalOnDisk() const {
        Names found;
        for (const auto& [id, entry] : Journal::read(paths().journal()).entries)
            found.push_back(entry.app + "|" + entry.dest);
        std::sort(found.begin(), found.end());
        return found;
    }

    // The rules as "target=action", and "unsaved" last when the rules file holds others.
    Names ruleTargets() const {
        Names targets;
        for (const Rule& rule : model->rules().rules)
            targets.push_back(rule.target + "=" + RuleActions::name(rule.action));
        if (!(RuleStore::load(paths()) == model->rules())) targets.push_back("unsaved");
        return targets;
    }

    static RuleSet rulesWith(std::vector<std::pair<std::string, RuleAction>> targets,
                             bool blockNew = false) {
        RuleSet rules;
        rules.blockNew = blockNew;
        for (const auto& [target, action] : targets)
            rules.set(target, std::nullopt, action, std::nullopt, {});
        return rules;
    }

    static Connection named(const std::string& app, const std::string& ip,
                            std::optional<std::string> host, Category category) {
        return {.app = {.name = app},
                .proto = "tcp",
                .ip = ip,
                .port = 443,
                .host = std::move(host),
                .verdict = {category, std::nullopt, std::nullopt}};
    }

  private slots:
    void init() { setUp(); }

    void cleanup() { tearDown(); }

    void aScanInFlightDropsFurtherRequestsAndEndsBeforeTheModel() {
        // A slow lister that counts its runs.
        writeExecutable(*dir / "ss", "#!/bin/sh\necho run >> '" + (*dir / "runs") +
                                         "'\nsleep 0.3\ncat '" + (*dir / "ss.out") + "'\n");
        makeModel();
        model->start();
        QVERIFY(model->scanning());
        model->scan();
        model->scan();
        QVERIFY(settled());
        QCOMPARE(readText(*dir / "runs"), std::string("run\n"));

        model->scan();
        model.reset();
        QCOMPARE(readText(*dir / "runs"), std::string("run\nrun\n"));
    }

    void scanResultsWaitWhileAQuestionIsOpen() {
        QVERIFY(started());
        const auto first = model->lastScan();
        *now += 60s;
        std::optional<Dates::TimePoint> seenWhileAsking;
        desktop->whileAsking = [&] {
            // The scan's result arrives in the question's own event loop.
            QTest::qWait(300);
            seenWhileAsking = model->lastScan();
        };
        model->scan();
        model->offerHelper();
        QCOMPARE(seenWhileAsking, first);
        QTRY_VERIFY(model->lastScan() != first);
        QVERIFY(settled());
        // With a question open and no scan in flight, none starts.
        bool startedWhileAsking = true;
        desktop->whileAsking = [&] {
            model->scan();
            startedWhileAsking = model->scanning();
        };
        model->offerHelper();
        QVERIFY(!startedWhileAsking);
    }

    // Local connections are listed when asked for, never journaled.
    void settingsAreObeyedAndSavedAndTheTimerRunsAtLeastEveryTwoSeconds() {
        writeSettings({.interval = 0.0, .language = "ru", .showLocal = true});
        listing(ssLine(1, "printer", "192.168.1.5:631") + ssLine(1, "printer", "127.0.0.1:80"));
        QVERIFY(started());
        QCOMPARE(model->apps().at(0).conns.size(), size_t(2));
        QVERIFY(model->journalRows().empty());
        QCOMPARE(model->findChild<QTimer*>("scanTimer")->interval(), 2000);
        model->setSettings({.quiet = true, .interval = 15.0, .language = "en", .showLocal = true});
        QCOMPARE(model->findChild<QTimer*>("scanTimer")->interval(), 15000);
        QCOMPARE(loadSettings(paths().settingsFile()),
                 (Settings{.quiet = true, .interval = 15.0, .language = "en", .showLocal = true}));
        for (double interval : {-1.5, 1.5, std::nan(""), 1e12}) {
            model->setSettings({.interval = interval, .language = "en"});
            QVERIFY(model->findChild<QTimer*>("scanTimer")->interval() >= 2000);
        }
        QVERIFY(model->findChild<QTimer*>("scanTimer")->isActive());
    }

    // Quiet silences notifications and questions but still blocks; heard again, a destination
    // blocked as new is saved, journaled and notified once.
    void destinationsBlockedAsNewAreNotifiedOnceUnlessQuiet() {
        RuleSet rules = rulesWith({{"203.0.113.20", RuleAction::ask}}, true);
        rules.baseline = {"203.0.113.50"};
        writeRules(rules);
        writeSettings({.quiet = true, .language = "en"});
        listing(ssLine(1, "curl", "203.0.113.9:443") + ssLine(1, "curl", "203.0.113.20:443") +
                ssLine(1, "curl", "203.0.113.50:443"));
        QVERIFY(started());
        QCOMPARE(ruleTargets(), (Names{"203.0.113.20=ask", "203.0.113.9=block"}));
        // The block is now a rule and the question was taken as asked.
        model->setSettings({.language = "en"});
        QVERIFY(scanned());
        QVERIFY(desktop->noticeIds.empty());
        QVERIFY(desktop->questions.empty());
        listing(ssLine(1, "curl", "203.0.113.10:443") + ssLine(1, "curl", "203.0.113.50:443"));
        QVERIFY(scanned());
        QVERIFY(scanned());
        QCOMPARE(ruleTargets(),
                 (Names{"203.0.113.20=ask", "203.0.113.9=block", "203.0.113.10=block"}));
        QCOMPARE(desktop->noticeIds, (Names{"new|203.0.113.10"}));
        QCOMPARE(desktop->noticeBodies[0], std::string("“curl” tried to reach 203.0.113.10."));
        for (const JournalEntry& entry : model->journalRows())
            QCOMPARE(entry.blocked, entry.dest == "203.0.113.9" || entry.dest == "203.0.113.10");
        QCOMPARE(model->journalRows().size(), size_t(4));
        // Its buttons: Allow makes the rule; Details asks for the program in the window.
        const NoticeActions& actions = desktop->noticeActions[0];
        QCOMPARE(actions.buttons.size(), size_t(3));
        QSignalSpy details(model.get(), &Model::detailsWanted);
        actions.chosen("details");
        QCOMPARE(details.value(0).value(0).value<std::string>(), std::string("curl"));
        actions.chosen("allow");
        QCOMPARE(ruleTargets().back(), std::string("203.0.113.10=allow"));
    }

    void questionsAreAnsweredAllowBlockOrLater() {
        writeRules(rulesWith({{"203.0.113.20", RuleAction::ask},
                              {"203.0.113.21", RuleAction::ask},
                              {"203.0.113.22", RuleAction::ask}}));
        listing(ssLine(1, "alpha", "203.0.113.20:443") + ssLine(2, "beta", "203.0.113.21:443") +
                ssLine(3, "gamma", "203.0.113.22:443") + ssLine(4, "delta", "203.0.113.22:443"));
        // Allow, Block, then "Not now" for the helper offered after the block, then two closes.
        desktop->answers = {0, 1, 1};
        Settings exporting;
        exporting.exportJournal = true;
        writeSettings(exporting);
        auto journald = std::make_unique<JournalStandIn>(descriptor.journalSocketPath);
        QVERIFY(journald->bound());
        // What the system journal got: each entry once, the four answers and the two new rules.
        const auto told = [&] {
            std::map<std::string, int> ids;
            for (auto& record : journald->records())
                ++ids[record["MESSAGE_ID"]];
            return ids;
        };
        const std::map<std::string, int> once{{std::string(JournalExport::connectionId), 4},
                                              {std::string(JournalExport::answerId), 4},
                                              {std::string(JournalExport::ruleId), 2}};
        QVERIFY(started());
        QCOMPARE(told(), once);
        QCOMPARE(desktop->messages,
                 (Names{"“alpha” wants to reach 203.0.113.20", "“beta” wants to reach 203.0.113.21",
                        "Turn on blocking?", "“gamma” wants to reach 203.0.113.22",
                        "“delta” wants to reach 203.0.113.22"}));
        QCOMPARE(desktop->questions[0].informative,
                 std::string("“alpha” talks to 203.0.113.20; we don't know who that is."));
        QCOMPARE(ruleTargets(),
                 (Names{"203.0.113.22=ask", "203.0.113.20=allow", "203.0.113.21=block"}));
        QCOMPARE(model->rules().rules.back().ips, std::nullopt);

        QVERIFY(scanned());
        QCOMPARE(desktop->questions.size(), size_t(5));
        // Nothing again but beta's entry, blocked now.
        QCOMPARE(told(),
                 (std::map<std::string, int>{{std::string(JournalExport::connectionId), 1}}));

        // Setting the rule again forgets that it was asked.
        model->setRule(named("gamma", "203.0.113.22", std::nullopt, Category::unknown),
                       RuleAction::ask);
        QVERIFY(scanned());
        QCOMPARE(desktop->messages.back(), std::string("“gamma” wants to reach 203.0.113.22"));
        QCOMPARE(desktop->questions.size(), size_t(6));

        // With the system journal gone, the window says its records are refused.
        journald.reset();
        listing(ssLine(5, "epsilon", "203.0.113.23:443"));
        QVERIFY(scanned());
        QVERIFY(model->notices().back().starts_with("The system journal does not take"));
    }

    void blockingAHostNameCarriesItsAddressAndOffersTheHelper() {
        QVERIFY(started());
        desktop->answers = {1, 1};
        model->askNow(named("mail", "198.51.100.4", "Beacon.Tracker.Example", Category::tracker));
        QCOMPARE(desktop->messages,
                 (Names{"“mail” wants to reach Beacon.Tracker.Example", "Turn on blocking?"}));
        QCOMPARE(ruleTargets(), (Names{"beacon.tracker.example=block"}));
        QCOMPARE(model->rules().rules[0].ips, (std::optional<Names>{{"198.51.100.4"}}));

        model->setRule(named("mail", "198.51.100.4", "beacon.tracker.example", Category::tracker),
                       std::nullopt);
        QCOMPARE(ruleTargets(), Names{});
    }

    // Block new takes the journal and the rows as baseline; it and block all of a program are
    // saved and offer the helper while it is not installed.
    void blockNewAndBlockAllOfOfferTheHelper() {
        listing(ssLine(1, "curl", "203.0.113.9:443"));
        QVERIFY(started());
        listing(ssLine(1, "curl", "203.0.113.10:443"));
        QVERIFY(scanned());
        model->toggleBlockNew();
        QVERIFY(model->rules().blockNew);
        QCOMPARE(model->rules().baseline, (std::set<std::string>{"203.0.113.9", "203.0.113.10"}));
        QCOMPARE(ruleTargets(), Names{});
        model->blockAllOf(model->apps().at(0));
        QCOMPARE(ruleTargets(), (Names{"203.0.113.10=block"}));
        QCOMPARE(desktop->messages, (Names{"Turn on blocking?", "Turn on blocking?"}));
        std::ofstream(descriptor.helperInstalledPath) << "";
        model->refreshHelperStatus();
        model->toggleBlockNew();
        QVERIFY(!model->rules().blockNew);
        model->offerHelperAfterBlocking();
        QCOMPARE(desktop->questions.size(), size_t(2));
    }

    void trackersNotifyOncePerProgramAndCompanyUntilTheJournalIsWiped() {
        listing(ssLine(1, "chat", "157.240.1.1:443") + ssLine(1, "chat", "157.240.2.2:443") +
                ssLine(2, "game", "157.240.1.1:443") + ssLine(2, "game", "198.51.100.7:443"));
        QVERIFY(started());
        QCOMPARE(desktop->noticeIds,
                 (Names{"trk|chat|Meta (Facebook)", "trk|game|Meta (Facebook)"}));
        // The rows' tracker counts add up; none of them is an advertiser.
        QCOMPARE(model->trackingNow(), 3);
        QVERIFY(!model->adsNow());
        *now += 24h;
        QVERIFY(scanned());
        QCOMPARE(desktop->noticeIds.size(), size_t(2));
        model->wipeJournal();
        QVERIFY(scanned());
        QCOMPARE(desktop->noticeIds.size(), size_t(4));
    }

    void theOrganisationTableIsReadAtStartAndNamesHosts() {
        hostNames = std::make_shared<std::map<std::string, std::string>>(
            std::map<std::string, std::string>{{"198.51.100.7", "api.vendor.example"}});
        std::ofstream(*dir / "orgs.txt") << "# test table\nvendor.example\tservice\tVendor\n";
        listing(ssLine(1, "app", "198.51.100.7:443"));
        QVERIFY(started());
        std::optional<Verdict> verdict;
        for (int i = 0; i < 100 && !(verdict && verdict->company); ++i) {
            QTest::qWait(10);
            QVERIFY(scanned());
            if (!model->apps().empty()) verdict = model->apps()[0].conns.at(0).verdict;
        }
        QCOMPARE(verdict, (std::optional<Verdict>{{Category::service, "Vendor", std::nullopt}}));
    }

    // With the service live, a connection shows between scans, once, and its name replaces the
    // address in place when the helper publishes it; the service's end shows as soon.
    void eventsShowConnectionsBetweenScansAndNamesFollowInPlace() {
        writeSettings({.interval = 600});
        FakeEventService service(*dir / "events");
        QVERIFY(started());
        service.accept();
        QVERIFY(service.say(EventWire::line(EventWire::Hello{EventWire::version})));
        QVERIFY(scanned());
        QCOMPARE(model->source().events, EventFeed::State::live);
        const ConnectEvent connect{*now, 4711, 1000,         77,    "curl",        "/usr/bin/curl",
                                   9,    12,   uint64_t(31), "tcp", "203.0.113.7", 443};
        QVERIFY(service.say(EventWire::line(connect)));
        QTRY_COMPARE_WITH_TIMEOUT(model->apps().size(), size_t(1), 2000);
        QCOMPARE(model->apps()[0].conns.at(0).host, std::nullopt);

        QVERIFY(AtomicFile::write(*dir / "names", "203.0.113.7 pixel.tracker.example\n"));
        QTRY_COMPARE_WITH_TIMEOUT(model->apps()[0].conns.at(0).host,
                                  std::optional<std::string>("pixel.tracker.example"), 2000);
        QCOMPARE(model->apps()[0].conns.size(), size_t(1));
        std::vector<std::string> dests;
        for (const JournalEntry& entry : model->journalRows())
            dests.push_back(entry.dest);
        QCOMPARE(dests, Names{"pixel.tracker.example"});

        // A service gone between scans is told at once, not at the next scan, and taken up again
        // within moments of its coming back, with no scan due.
        service.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(model->source().events != EventFeed::State::live, 2000);
        QTest::qWait(1500);
        service.accept();
        QVERIFY(service.say(EventWire::line(EventWire::Hello{EventWire::version})));
        QTRY_COMPARE_WITH_TIMEOUT(model->source().events, EventFeed::State::live, 4000);
    }

    // A table that cannot be read is named on standard error; a rules file that cannot be read
    // is moved aside and noticed in the chosen language.
    void unreadableFilesAreReported() {
        std::filesystem::remove(*dir / "trackers.txt");
        writeSettings({.language = "ru", .paused = true});
        std::filesystem::create_directories(paths().rulesFile() + "/inside");
        std::ostringstream log;
        std::streambuf* const saved = std::cerr.rdbuf(log.rdbuf());
        const bool ok = started();
        std::cerr.rdbuf(saved);
        QVERIFY(ok);
        for (const std::string& line :
             {"nattervane: cannot read " + (*dir / "trackers.txt") +
                  ": No such file or directory; no domain counts as listed\n",
              "nattervane: cannot read " + (*dir / "orgs.txt") +
                  ": No such file or directory; only the built-in domains are "
                  "known\n"})
            QVERIFY2(log.str().find(line) != std::string::npos, log.str().c_str());
        QCOMPARE(model->trackerListCount(), size_t(0));
        QCOMPARE(model->unusableFiles().size(), size_t(1));
        const std::optional<std::string> kept = model->unusableFiles()[0].keptAs;
        QVERIFY(kept && std::filesystem::is_directory(*kept + "/inside"));
        QCOMPARE(model->notices(),
                 Names{"Файл rules.json не удалось прочитать; он сохранён как " + *kept});
        QCOMPARE(desktop->noticeIds, Names{"rules-set-aside"});
        QCOMPARE(model->rulesSetAsideLine(),
                 std::optional<std::string>("rules.json отложен; блокировки как были"));
    }

    // A damaged rules file comes back from the last save's copy, and the user is told both where
    // the damaged one is kept and what was restored, even when quiet.
    void aDamagedRulesFileIsRestoredAndTold() {
        writeSettings({.quiet = true, .paused = true});
        QVERIFY(started());
        QVERIFY(model->edit({{"blocked.example", std::nullopt}, RuleAction::block}));
        model.reset();
        std::ofstream(paths().rulesFile(), std::ios::in | std::ios::out) << "x";
        QVERIFY(started());
        QCOMPARE(model->rules().action("blocked.example"), RuleAction::block);
        QCOMPARE(desktop->noticeIds, Names{"rules-set-aside"});
        const std::string& body = desktop->noticeBodies[0];
        QVERIFY2(body.find("rules.json.bad-") != std::string::npos &&
                     body.ends_with("restored from rules.json.good."),
                 body.c_str());
        QCOMPARE(model->rulesSetAsideLine(),
                 std::optional<std::string>("rules.json set aside; rules restored from "
                                            "rules.json.good"));
    }

    void theJournalIsWrittenAtTheFirstScanThenAfterThirtySeconds() {
        listing(ssLine(1, "curl", "203.0.113.1:443"));
        QVERIFY(started());
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1"}));
        listing(ssLine(1, "curl", "203.0.113.2:443"));
        *now += 30s;
        QVERIFY(scanned());
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1"}));
        *now += 1s;
        QVERIFY(scanned());
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1", "curl|203.0.113.2"}));
        listing(ssLine(1, "curl", "203.0.113.3:443"));
        QVERIFY(scanned());

        model->quit();
        QCOMPARE(journalOnDisk(),
                 (Names{"curl|203.0.113.1", "curl|203.0.113.2", "curl|203.0.113.3"}));
    }

    // What each scan's counters moved since the one before goes into the last hour's slots of
    // the program and into the day of the destination.
    void eachScanFeedsTheTrafficCharts() {
        listing(ssLine(1, "curl", "203.0.113.1:443", "tcp", 1000, 100));
        QVERIFY(started());
        listing(ssLine(1, "curl", "203.0.113.1:443", "tcp", 1500, 300));
        *now += 5min;
        QVERIFY(scanned());
        using TrafficSeries::Span, TrafficSeries::Subject;
        const auto hour = model->traffic({Subject::Kind::program, "curl"}, Span::hour);
        QCOMPARE(hour.size(), size_t(12));
        QCOMPARE(hour[10].in, 1000);
        QCOMPARE(hour[11].in, 500);
        const auto days = model->traffic({Subject::Kind::destination, "203.0.113.1"}, Span::days);
        QCOMPARE(days.back().in, 1500);
        QCOMPARE(days.back().out, 300);
    }

    // Installing passes a data root with a quote as one argument; a failed administrator step or
    // installer says why; without an install script nothing runs; removing keeps or clears rules
    // and runs the copied uninstall script, else the shipped one.
    void theHelperIsInstalledAndRemoved() {
        dataRoot = *dir / "o'neil's files/Nattervane";
        writeRules(rulesWith({{"ads.example", RuleAction::block}}));
        const std::string installer = *helperSource + "/nv-install.sh";
        writeExecutable(installer, "echo 'nft: not found' >&2; exit 3\n");
        QVERIFY(started());
        desktop->adminFailure = Error{0, "No authentication agent found."};
        desktop->answers = {0, 0, 0, 0, 0, 0};
        model->offerHelper();
        QCOMPARE(desktop->questions.back(),
                 (Question{"Nattervane could not act as administrator",
                           "Blocking was not changed. The system said:\nNo authentication "
                           "agent found.",
                           {"OK"}}));
        desktop->adminFailure.reset();
        model->offerHelper();
        QVERIFY(desktop->questions.back().informative.ends_with(":\nnft: not found"));
        // Records its arguments, marks the helper installed and writes a first status.
        writeExecutable(installer, "printf '%s\\n' \"$#\" \"$@\" > '" + (*dir / "args") +
                                       "'\ntouch '" + descriptor.helperInstalledPath +
                                       "'\nprintf ' ips=3 domains=12\\n\\n' > '" +
                                       descriptor.helperStatusPath + "'\n");
        model->offerHelper();
        QCOMPARE(readText(*dir / "args"), "2\n" + paths().helperDir() + "\no'tester\n");
        QVERIFY(model->helper().installed());
        QCOMPARE(model->helper().status(), std::string("ips=3 domains=12"));
        helperSource.reset();
        model->offerHelper();
        QCOMPARE(desktop->commands.size(), size_t(3));

        writeExecutable(descriptor.helperUninstallPath,
                        "rm -f '" + descriptor.helperInstalledPath + "'\n");
        model->uninstallHelper(false);
        QCOMPARE(desktop->commands.back(), AdminCommand::Words{descriptor.helperUninstallPath});
        QVERIFY(!model->helper().installed());
        QCOMPARE(ruleTargets(), (Names{"ads.example=block"}));
        std::filesystem::remove(descriptor.helperUninstallPath);
        model->uninstallHelper(true);
        QCOMPARE(desktop->commands.size(), size_t(4));
        QCOMPARE(ruleTargets(), Names{});
        // An installation keeps no copy: the uninstall script beside the install script runs.
        helperSource = *dir / "shipped";
        std::filesystem::create_directories(*helperSource);
        writeExecutable(*helperSource + "/nv-uninstall.sh", "exit 0\n");
        model->uninstallHelper(false);
        QCOMPARE(desktop->commands.back(), AdminCommand::Words{*helperSource + "/nv-uninstall.sh"});
    }

    // Every cut of a good rules, settings or journal file that does not decode is kept byte for
    // byte and noticed before anything replaced it.
    void unusableFilesAreKeptAtEveryCut() {
        writeSettings({.quiet = true, .interval = 15.0, .language = "ru", .showLocal = true});
        Journal written(paths().journal(), 7, [now = now] { return *now; });
        written.record("curl", "example.com", "203.0.113.9", 443, {}, 1, 2, false, *now);
        QVERIFY(written.save());
        const std::string day = "/journal/" + Journal::day(*now) + ".json";
        // Each file by its place under the data root, good text and whether a text decodes.
        const struct {
            std::string file;
            std::string good;
            std::function<bool(const Paths&)> usable;
        } cases[] = {
            {"/rules.json",
             RuleStore::encode(rulesWith(
                 {{"ads.example.com", RuleAction::block}, {"192.0.2.7", RuleAction::allow}})),
             [](const Paths& p) { return !RuleStore::read(p).problem; }},
            {"/settings.json", readText(paths().settingsFile()),
             [](const Paths& p) { return !readSettings(p.settingsFile()).problem; }},
            {day, readText(dataRoot + day),
             [](const Paths& p) { return Journal::read(p.journal()).skipped.empty(); }},
        };
        for (const auto& c : cases)
            for (size_t cut = 0; cut < c.good.size(); ++cut) {
                const std::string at = c.file + " cut at " + std::to_string(cut);
                dataRoot = *dir / (std::to_string(&c - cases) + "-" + std::to_string(cut));
                if (c.file != "/settings.json") writeSettings({.language = "en", .paused = true});
                const std::string text = c.good.substr(0, cut);
                std::filesystem::create_directories(
                    std::filesystem::path(dataRoot + c.file).parent_path());
                QVERIFY(AtomicFile::write(dataRoot + c.file, text));
                const size_t unusable = c.usable(paths()) ? 0 : 1;
                QVERIFY2(started() && model->unusableFiles().size() == unusable &&
                             model->notices().size() == unusable,
                         at.c_str());
                for (const UnusableFile::Report& report : model->unusableFiles())
                    QVERIFY2(report.keptAs && readText(*report.keptAs) == text &&
                                 model->notices()[0].find(*report.keptAs) != std::string::npos,
                             at.c_str());
                model.reset();
            }
    }
};

QTEST_MAIN(ModelTest)
#include "model_test.moc"
