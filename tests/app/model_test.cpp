#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include <QTest>
#include <QTimer>

#include "base/atomic_file.h"
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

    Names ruleTargets() const {
        Names targets;
        for (const Rule& rule : model->rules().rules)
            targets.push_back(rule.target + "=" + RuleActions::name(rule.action));
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

    void pausedScansChangeNothing() {
        writeSettings({.language = "en", .paused = true});
        listing(ssLine(1, "curl", "203.0.113.9:443"));
        QVERIFY(started());
        QVERIFY(scanned());
        QCOMPARE(model->lastScan(), std::nullopt);
        QVERIFY(model->findChild<QTimer*>("scanTimer")->isActive());
    }

    void aScanInFlightDropsFurtherRequestsAndEndsBeforeTheModel() {
        // A slow lister that counts its runs.
        writeExecutable(*dir / "ss", "#!/bin/sh\necho run >> '" + (*dir / "runs") +
                                         "'\nsleep 0.3\ncat '" + (*dir / "ss.out") + "'\n");
        listing(ssLine(1, "curl", "203.0.113.9:443"));
        makeModel();
        model->start();
        QVERIFY(model->scanning());
        model->scan();
        model->scan();
        QVERIFY(settled());
        QCOMPARE(readText(*dir / "runs"), std::string("run\n"));
        QCOMPARE(model->apps().size(), size_t(1));

        model->scan();
        model.reset();
        QCOMPARE(readText(*dir / "runs"), std::string("run\nrun\n"));
    }

    void scanResultsWaitWhileAQuestionIsOpen() {
        listing(ssLine(1, "Browser", "203.0.113.5:443"));
        QVERIFY(started());
        const auto first = model->lastScan();
        *now += 60s;
        std::optional<Dates::TimePoint> seenWhileAsking;
        size_t questionsWhileAsking = 0;
        desktop->whileAsking = [&] {
            // The scan's result arrives in the question's own event loop.
            QTest::qWait(300);
            seenWhileAsking = model->lastScan();
            questionsWhileAsking = desktop->questions.size();
        };
        model->scan();
        model->offerHelper();
        QCOMPARE(seenWhileAsking, first);
        QCOMPARE(questionsWhileAsking, size_t(1));
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

    void settingsAreSavedAndTheTimerRunsAtLeastEveryTwoSeconds() {
        writeSettings({.interval = 0.0, .language = "ru"});
        QVERIFY(started());
        QCOMPARE(model->findChild<QTimer*>("scanTimer")->interval(), 2000);
        model->setSettings({.quiet = true, .interval = 15.0, .language = "en", .showLocal = true});
        QCOMPARE(model->findChild<QTimer*>("scanTimer")->interval(), 15000);
        QCOMPARE(loadSettings(paths().settingsFile()),
                 (Settings{.quiet = true, .interval = 15.0, .language = "en", .showLocal = true}));
        for (double interval : {-1.5, 1.5, std::nan(""), 1e12}) {
            model->setSettings({.interval = interval, .language = "en"});
            QVERIFY(model->findChild<QTimer*>("scanTimer")->interval() >= 2000);
            QVERIFY(model->findChild<QTimer*>("scanTimer")->isActive());
        }
    }

    void localConnectionsAreListedButNeverJournaledOrBlocked() {
        writeSettings({.language = "en", .showLocal = true});
        writeRules(rulesWith({{"192.168.1.5", RuleAction::ask}}, true));
        listing(ssLine(1, "printer", "192.168.1.5:631") + ssLine(1, "printer", "127.0.0.1:80"));
        QVERIFY(started());
        QCOMPARE(model->apps().size(), size_t(1));
        QCOMPARE(model->apps()[0].conns.size(), size_t(2));
        QVERIFY(model->journalRows().empty());
        QCOMPARE(ruleTargets(), (Names{"192.168.1.5=ask"}));
        QVERIFY(desktop->questions.empty());
        QVERIFY(desktop->notices.empty());
    }

    void aDestinationBlockedAsNewIsSavedJournaledAndNotifiedOnce() {
        RuleSet rules;
        rules.blockNew = true;
        rules.baseline = {"203.0.113.50"};
        writeRules(rules);
        listing(ssLine(1, "curl", "203.0.113.9:443") + ssLine(1, "curl", "203.0.113.50:443"));
        QVERIFY(started());
        QVERIFY(scanned());
        QCOMPARE(ruleTargets(), (Names{"203.0.113.9=block"}));
        QCOMPARE(RuleStore::load(paths()), model->rules());
        QCOMPARE(readText(paths().blockIPs()), std::string("203.0.113.9\n"));
        QCOMPARE(desktop->noticeIds(), (Names{"new|203.0.113.9"}));
        QCOMPARE(desktop->notices[0].body, std::string("“curl” tried to reach 203.0.113.9."));
        for (const JournalEntry& entry : model->journalRows())
            QCOMPARE(entry.blocked, entry.dest == "203.0.113.9");
        QCOMPARE(model->journalRows().size(), size_t(2));
    }

    void quietSilencesNotificationsAndQuestionsButStillBlocks() {
        writeRules(rulesWith({{"203.0.113.20", RuleAction::ask}}, true));
        writeSettings({.quiet = true, .language = "en"});
        listing(ssLine(1, "curl", "203.0.113.9:443") + ssLine(1, "curl", "203.0.113.20:443") +
                ssLine(1, "chat", "157.240.1.1:443"));
        QVERIFY(started());
        QCOMPARE(ruleTargets(),
                 (Names{"203.0.113.20=ask", "203.0.113.9=block", "157.240.1.1=block"}));

        // The blocks are now rules and the question was taken as asked.
        model->setSettings({.language = "en"});
        QVERIFY(scanned());
        QVERIFY(desktop->notices.empty());
        QVERIFY(desktop->questions.empty());
    }

    void questionsAreAnsweredAllowBlockOrLater() {
        writeRules(rulesWith({{"203.0.113.20", RuleAction::ask},
                              {"203.0.113.21", RuleAction::ask},
                              {"203.0.113.22", RuleAction::ask}}));
        listing(ssLine(1, "alpha", "203.0.113.20:443") + ssLine(2, "beta", "203.0.113.21:443") +
                ssLine(3, "gamma", "203.0.113.22:443") + ssLine(4, "delta", "203.0.113.22:443"));
        // Allow, Block, then "Not now" for the helper offered after the block, then two closes.
        desktop->answers = {0, 1, 1};
        QVERIFY(started());
        QCOMPARE(desktop->messages(),
                 (Names{"“alpha” wants to reach 203.0.113.20", "“beta” wants to reach 203.0.113.21",
                        "Turn on blocking?", "“gamma” wants to reach 203.0.113.22",
                        "“delta” wants to reach 203.0.113.22"}));
        QCOMPARE(desktop->questions[0].informative,
                 std::string("“alpha” talks to 203.0.113.20; we don't know who that is."));
        QCOMPARE(ruleTargets(),
                 (Names{"203.0.113.22=ask", "203.0.113.20=allow", "203.0.113.21=block"}));
        QCOMPARE(model->rules().rules.back().ips, std::nullopt);
        QCOMPARE(RuleStore::load(paths()), model->rules());

        QVERIFY(scanned());
        QCOMPARE(desktop->questions.size(), size_t(5));

        // Setting the rule again forgets that it was asked.
        model->setRule(named("gamma", "203.0.113.22", std::nullopt, Category::unknown),
                       RuleAction::ask);
        QVERIFY(scanned());
        QCOMPARE(desktop->messages().back(), std::string("“gamma” wants to reach 203.0.113.22"));
        QCOMPARE(desktop->questions.size(), size_t(6));
    }

    void blockingAHostNameCarriesItsAddressAndOffersTheHelper() {
        QVERIFY(started());
        desktop->answers = {1, 1};
        model->askNow(named("mail", "198.51.100.4", "Beacon.Tracker.Example", Category::tracker));
        QCOMPARE(desktop->messages(),
                 (Names{"“mail” wants to reach Beacon.Tracker.Example", "Turn on blocking?"}));
        QCOMPARE(model->rules().rules.size(), size_t(1));
        const Rule& rule = model->rules().rules[0];
        QCOMPARE(rule.target, std::string("beacon.tracker.example"));
        QCOMPARE(rule.ips, (std::optional<Names>{{"198.51.100.4"}}));
        QCOMPARE(readText(paths().blockDomains()), std::string("beacon.tracker.example\n"));

        model->setRule(named("mail", "198.51.100.4", "beacon.tracker.example", Category::tracker),
                       std::nullopt);
        QVERIFY(model->rules().rules.empty());
        QCOMPARE(readText(paths().blockDomains()), std::string(""));
    }

    void blockAllOfSavesItsRulesAndOffersTheHelperWhileItIsNotInstalled() {
        writeSettings({.language = "en", .showLocal = true});
        listing(ssLine(1, "curl", "192.168.1.5:80") + ssLine(1, "curl", "203.0.113.9:443"));
        QVERIFY(started());
        model->blockAllOf(model->apps().at(0));
        QCOMPARE(ruleTargets(), (Names{"203.0.113.9=block"}));
        QCOMPARE(RuleStore::load(paths()), model->rules());
        AppRow onlyLocal =
            AppRow::from({named("lpd", "192.168.1.9", std::nullopt, Category::local)});
        model->blockAllOf(onlyLocal);
        QCOMPARE(ruleTargets(), (Names{"203.0.113.9=block"}));
        QCOMPARE(desktop->messages(), (Names{"Turn on blocking?", "Turn on blocking?"}));
        // Once the helper is installed it is no longer offered.
        std::ofstream(descriptor.helperInstalledPath) << "";
        model->refreshHelperStatus();
        model->offerHelperAfterBlocking();
        QCOMPARE(desktop->questions.size(), size_t(2));
    }

    void blockNewTakesTheJournalAndTheRowsAsBaseline() {
        listing(ssLine(1, "curl", "203.0.113.9:443"));
        QVERIFY(started());
        listing(ssLine(1, "curl", "203.0.113.10:443"));
        QVERIFY(scanned());
        model->toggleBlockNew();
        QVERIFY(model->rules().blockNew);
        QCOMPARE(model->rules().baseline, (std::set<std::string>{"203.0.113.9", "203.0.113.10"}));
        QCOMPARE(RuleStore::load(paths()), model->rules());
        QCOMPARE(desktop->messages(), (Names{"Turn on blocking?"}));
        listing(ssLine(1, "curl", "203.0.113.10:443") + ssLine(1, "curl", "203.0.113.11:443"));
        QVERIFY(scanned());
        QCOMPARE(ruleTargets(), (Names{"203.0.113.11=block"}));
        model->toggleBlockNew();
        QVERIFY(!model->rules().blockNew);
        QCOMPARE(model->rules().baseline.size(), size_t(2));
    }

    void trackersNotifyOncePerProgramAndCompanyUntilTheJournalIsWiped() {
        listing(ssLine(1, "chat", "157.240.1.1:443") + ssLine(1, "chat", "157.240.2.2:443") +
                ssLine(2, "game", "157.240.1.1:443") + ssLine(2, "game", "198.51.100.7:443"));
        QVERIFY(started());
        QCOMPARE(desktop->noticeIds(),
                 (Names{"trk|chat|Meta (Facebook)", "trk|game|Meta (Facebook)"}));
        // The rows' tracker counts add up; none of them is an advertiser.
        QCOMPARE(model->trackingNow(), 3);
        QVERIFY(!model->adsNow());
        *now += 24h;
        QVERIFY(scanned());
        QCOMPARE(desktop->notices.size(), size_t(2));
        model->wipeJournal();
        QVERIFY(model->journalRows().empty());
        QVERIFY(!std::filesystem::exists(paths().journal()));
        QVERIFY(scanned());
        QCOMPARE(desktop->notices.size(), size_t(4));
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

    void aTableThatCannotBeReadIsNamedOnStandardError() {
        std::filesystem::remove(*dir / "trackers.txt");
        const std::string log = *dir / "stderr.txt";
        const int saved = dup(STDERR_FILENO);
        const int file = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, STDERR_FILENO);
        close(file);
        const bool ok = started();
        dup2(saved, STDERR_FILENO);
        close(saved);
        QVERIFY(ok);
        const std::string text = readText(log);
        for (const std::string& line :
             {"nattervane: cannot read " + (*dir / "trackers.txt") +
                  ": No such file or directory; no domain counts as listed\n",
              "nattervane: cannot read " + (*dir / "orgs.txt") +
                  ": No such file or directory; only the built-in domains are "
                  "known\n"})
            QVERIFY2(text.find(line) != std::string::npos, text.c_str());
        QCOMPARE(model->trackerListCount(), size_t(0));
    }

    void theJournalIsWrittenAtTheFirstScanThenAfterThirtySeconds() {
        listing(ssLine(1, "curl", "203.0.113.1:443"));
        QVERIFY(started());
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1"}));
        listing(ssLine(1, "curl", "203.0.113.2:443"));
        *now += 30s;
        QVERIFY(scanned());
        QCOMPARE(model->journalRows().size(), size_t(2));
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1"}));
        *now += 1s;
        QVERIFY(scanned());
        QCOMPARE(journalOnDisk(), (Names{"curl|203.0.113.1", "curl|203.0.113.2"}));
        listing(ssLine(1, "curl", "203.0.113.3:443"));
        *now += 5s;
        QVERIFY(scanned());
        QCOMPARE(journalOnDisk().size(), size_t(2));

        model->quit();
        QCOMPARE(journalOnDisk(),
                 (Names{"curl|203.0.113.1", "curl|203.0.113.2", "curl|203.0.113.3"}));
    }

    void theInstallCommandPassesADataRootWithAQuoteAsOneArgument() {
        dataRoot = *dir / "o'neil's files/Nattervane";
        std::string helper = *dir / "helper src";
        std::filesystem::create_directories(helper);
        // Records its arguments, marks the helper installed and writes a first status.
        std::string script = "printf '%s\\n' \"$#\" \"$@\" > '" + (*dir / "args") + "'\n";
        script += "touch '" + descriptor.helperInstalledPath + "'\n";
        script += "printf ' ips=3 domains=12\\n\\n' > '" + descriptor.helperStatusPath + "'\n";
        writeExecutable(helper + "/nv-install.sh", script);
        QVERIFY(started());
        QVERIFY(!model->helperInstalled());
        desktop->answers = {0};
        model->offerHelper();
        QCOMPARE(desktop->commands.size(), size_t(1));
        QCOMPARE(readText(*dir / "args"), "2\n" + paths().helperDir() + "\no'tester\n");
        QVERIFY(model->helperInstalled());
        QCOMPARE(model->helperStatus(), std::string("ips=3 domains=12"));
        QVERIFY(std::filesystem::exists(paths().blockIPs()));
    }

    void uninstallingKeepsOrClearsTheRules() {
        writeExecutable(descriptor.helperUninstallPath,
                        "rm -f '" + descriptor.helperInstalledPath + "'\n");
        writeRules(rulesWith({{"ads.example", RuleAction::block}}));
        std::ofstream(descriptor.helperInstalledPath) << "";
        QVERIFY(started());
        QVERIFY(model->helperInstalled());
        model->uninstallHelper(false);
        QCOMPARE(desktop->commands,
                 std::vector<AdminCommand::Words>{{descriptor.helperUninstallPath}});
        QVERIFY(!model->helperInstalled());
        QCOMPARE(readText(paths().blockDomains()), std::string("ads.example\n"));

        std::filesystem::remove(descriptor.helperUninstallPath);
        model->uninstallHelper(true);
        QCOMPARE(desktop->commands.size(), size_t(1));
        QVERIFY(model->rules().rules.empty());
        QCOMPARE(readText(paths().blockDomains()), std::string(""));
    }

    void aFailedAdministratorStepSaysWhyAndAFailingInstallerToo() {
        std::string helper = *dir / "helper src";
        std::filesystem::create_directories(helper);
        writeExecutable(helper + "/nv-install.sh", "echo 'nft: not found' >&2; exit 3\n");
        QVERIFY(started());
        desktop->adminFailure = Error{0, "No authentication agent found."};
        desktop->answers = {0, 0};
        model->offerHelper();
        QCOMPARE(desktop->questions.back(),
                 (Question{"Nattervane could not act as administrator",
                           "Blocking was not changed. The system said:\nNo authentication "
                           "agent found.",
                           {"OK"}}));
        desktop->adminFailure.reset();
        desktop->answers = {0, 0};
        model->offerHelper();
        QVERIFY(desktop->questions.back().informative.ends_with(":\nnft: not found"));
        QCOMPARE(desktop->questions.size(), size_t(4));
        QVERIFY(!model->helperInstalled());
    }

    void withoutAnInstallScriptNothingIsRunOrSaid() {
        helperDir = [] { return std::nullopt; };
        QVERIFY(started());
        desktop->answers = {0};
        model->offerHelper();
        QCOMPARE(desktop->questions.size(), size_t(1));
        QVERIFY(desktop->commands.empty());
        QVERIFY(!model->helperInstalled());
    }

    // Every cut of a good rules, settings or journal file that does not decode is kept byte for
    // byte and noticed before anything replaced it.
    void unusableFilesAreKeptAtEveryCut() {
        writeSettings({.quiet = true, .interval = 15.0, .language = "ru", .showLocal = true});
        Journal written(paths().journal(), 7, [now = now] { return *now; });
        written.record("curl", "example.com", "203.0.113.9", 443, {}, 1, 2, false, *now);
        QVERIFY(written.save());
        const std::string day = "/" + Journal::day(*now) + ".json";
        const struct {
            std::string name;
            std::function<std::string(const Paths&)> file;
            std::string good;
            std::function<bool(const Paths&)> usable;
        } cases[] = {
            {"rules", [](const Paths& p) { return p.rulesFile(); },
             RuleStore::encode(rulesWith(
                 {{"ads.example.com", RuleAction::block}, {"192.0.2.7", RuleAction::allow}})),
             [](const Paths& p) { return !RuleStore::read(p).problem; }},
            {"settings", [](const Paths& p) { return p.settingsFile(); },
             readText(paths().settingsFile()),
             [](const Paths& p) { return !readSettings(p.settingsFile()).problem; }},
            {"journal", [day](const Paths& p) { return p.journal() + day; },
             readText(paths().journal() + day),
             [](const Paths& p) { return Journal::read(p.journal()).skipped.empty(); }},
        };
        const std::string base = dataRoot;
        for (const auto& c : cases)
            for (size_t cut = 0; cut < c.good.size(); ++cut) {
                const std::string at = c.name + " cut at " + std::to_string(cut);
                dataRoot = base + "-" + c.name + std::to_string(cut);
                if (c.name != "settings") writeSettings({.language = "en", .paused = true});
                const std::string file = c.file(paths()), text = c.good.substr(0, cut);
                std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                QVERIFY(AtomicFile::write(file, text));
                const bool usable = c.usable(paths());
                QVERIFY2(started(), at.c_str());
                const auto& unusable = model->unusableFiles();
                QVERIFY2(unusable.size() == (usable ? 0 : 1), at.c_str());
                QVERIFY2(model->notices().size() == unusable.size(), at.c_str());
                if (!usable) {
                    QVERIFY2(unusable[0].keptAs && readText(*unusable[0].keptAs) == text,
                             at.c_str());
                    QVERIFY2(model->notices()[0].find(*unusable[0].keptAs) != std::string::npos,
                             at.c_str());
                }
                model.reset();
            }
        dataRoot = base;
    }

    void anUnreadableRulesFileIsMovedAsideAndNoticedInTheChosenLanguage() {
        writeSettings({.language = "ru", .paused = true});
        std::filesystem::create_directories(paths().rulesFile() + "/inside");
        QVERIFY(started());
        QCOMPARE(model->unusableFiles().size(), size_t(1));
        const std::optional<std::string> kept = model->unusableFiles()[0].keptAs;
        QVERIFY(kept && std::filesystem::is_directory(*kept + "/inside"));
        QCOMPARE(model->notices(),
                 Names{"Файл rules.json не удалось прочитать; он сохранён как " + *kept});
    }
};

QTEST_MAIN(ModelTest)
#include "model_test.moc"
