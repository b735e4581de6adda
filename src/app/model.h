// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "base/dates.h"
#include "base/lang.h"
#include "base/paths.h"
#include "base/resources.h"
#include "base/unusable_file.h"
#include "classify/tracker_list.h"
#include "desktop/desktop.h"
#include "held_questions.h"
#include "helper_control.h"
#include "notifier.h"
#include "observe/connection.h"
#include "observe/scanner.h"
#include "platform.h"
#include "policy/decision.h"
#include "present/app_row.h"
#include "present/journal_export.h"
#include "present/traffic_series.h"
#include "rule_keeper.h"
#include "scan_cycle.h"
#include "store/journal.h"
#include "store/journal_entry.h"
#include "store/rule_edit.h"
#include "store/rule_set.h"
#include "store/settings.h"
#include "store/traffic_history.h"

// What a Model is built from; the defaults are the real system, tests replace any of them.
struct ModelOptions {
    // The data root; absent for $NATTERVANE_HOME or the platform's default.
    std::optional<std::string> dataRoot;
    // Also where the helper's installed marker, status file and uninstall script are.
    const platform::Descriptor* platform = &platform::current();
    // Listers, process paths and name lookups of the scanner.
    ScannerOptions scanner;
    Journal::Clock clock = std::chrono::system_clock::now;
    // What the journal checks the clock against before it deletes days.
    Journal::Witness witness = [] { return Dates::uptime(platform::current().bootIdPath); };
    // This system's desktop when not given.
    std::shared_ptr<Desktop> desktop;
    // The tracker list file read at start.
    std::string trackerList = Resources::path("trackers.txt");
    // The organisation table file read at start.
    std::string orgTable = Resources::path("orgs.txt");
    // Where the helper's install script lives, or absent.
    std::function<std::optional<std::string>()> helperDir = [] {
        return Resources::helperDir(platform::current());
    };
    // The user named to the helper's install script.
    std::string loginName = platform::loginName();
    // Where the event service asks about held connections; empty: nowhere.
    std::string questionsSocket = platform::current().eventsSocketPath;
};

// The application's state: applies the Decider's decisions about what the scan cycle found
// (journal, rules, notifications, questions), keeps the rows of programs and carries out the
// user's rule and helper operations. Views read its state
// and redraw on `changed`.
class Model : public QObject {
    Q_OBJECT

  public:
    explicit Model(ModelOptions options, QObject* parent = nullptr);

    // The application's one Model over the real system, owned by the application object.
    static Model& shared();

    // Loads settings, tracker list, rules and journal, primes the resolver, scans and starts the
    // timers. Called once.
    void start();
    // Starts one scan unless paused or one is in flight.
    void scan();
    // Restarts the scan timer with the current interval (at least 2 s).
    void reschedule();
    // Saves the journal and ends the event loop.
    void quit();

    const Settings& settings() const { return settings_; }
    // Replaces the settings and saves them.
    void setSettings(const Settings& settings);
    // Applies the settings' language, writes them, restarts the scan timer, tells observers.
    void saveSettings();
    // Notes how writing or removing the start-at-login entry went, for the window to say.
    void noteAutostart(const Result<void>& written);
    Lang lang() const { return settings_.lang(); }
    // Turns the system journal switch on or off, as the command-line tool asked; why not when the
    // settings could not be written.
    Result<void> setExport(bool on);
    const JournalExport& journalExport() const { return export_; }

    // Rule actions.
    // Sets the rule for the connection's destination (or everything its program reaches) in
    // `scope`, or removes it when `action` is absent. A program that cannot have rules of its
    // own (no executable, or not one a rule can name) is refused with a box saying why.
    void setRule(const Connection& connection, std::optional<RuleAction> action,
                 RuleScope scope = RuleScope::everywhere);
    void blockAllOf(const AppRow& row);
    void toggleBlockNew();
    void persistRules();
    // Replaces the whole rule set, then persists it.
    void setRules(const RuleSet& rules);
    // Makes one edit the command-line tool asked for; why not when it cannot be made.
    Result<void> edit(RuleEdit edit);
    void wipeJournal();

    // Notifications and questions.
    void askNow(const Connection& connection);
    // Asks modally; while the question is open no scan starts and a scan result that arrives
    // waits until it is answered. The index of the button chosen, or absent.
    std::optional<size_t> ask(const Question& question);
    // A modal question or alert is open.
    bool asking() const { return asking_ > 0; }
    // The questions the event service holds connections for; while it holds, they take the
    // place of the questions asked after a scan.
    HeldQuestions& held() { return held_; }
    // The connection `question` is about, named and classified as a scan would.
    Connection heldConnection(const HeldQuestion& question) const;
    // What the connection means, in the current language.
    std::string sentence(const Connection& connection) const {
        return notifier_.sentence(connection);
    }
    // Answers the held question `id` about `connection`; `always` also makes the rule in that
    // scope.
    void answerHeld(uint64_t id, const Connection& connection, bool allow,
                    std::optional<RuleScope> always);
    // Posts the held question `id` as a notification that answers it once.
    void postHeld(uint64_t id);

    // The privileged helper; these tell the views when it changed.
    const HelperControl& helper() const { return helper_; }
    void offerHelper();
    // After the user blocked something: blocks take effect through the helper, so it is offered
    // unless installed.
    void offerHelperAfterBlocking();
    void installHelper();
    // Removes the helper, and all rules with `clearRules`.
    void uninstallHelper(bool clearRules);
    void refreshHelperStatus() { helper_.refresh(); }
    const platform::Descriptor& platform() const { return *options_.platform; }
    Desktop& desktop() const { return *options_.desktop; }
    const Paths& paths() const { return paths_; }
    const RuleSet& rules() const { return keeper_.rules(); }
    const std::vector<AppRow>& apps() const { return apps_; }
    // The journal, newest first; made when first asked for, then kept up to date by moving
    // only what the scans since touched.
    const std::vector<JournalEntry>& journalRows() const { return journal_.sorted(); }
    // The bars of the traffic chart of `subject` over `span`, now.
    std::vector<TrafficSeries::Bar> traffic(const TrafficSeries::Subject& subject,
                                            TrafficSeries::Span span) const;
    const std::optional<Dates::TimePoint>& lastScan() const { return lastScan_; }
    // The time by the Model's clock.
    Dates::TimePoint now() const { return options_.clock(); }
    const ScanSource& source() const { return cycle_.source(); }
    bool scanning() const { return cycle_.scanning(); }
    size_t trackerListCount() const { return trackers_->count(); }
    // There are rules for single programs and no event service to keep them in force.
    bool programRulesLapse() const;
    // Any connection of any row goes to an advertising network.
    bool adsNow() const;
    // The sum of the rows' tracker counts.
    int trackingNow() const;

    // The data files that could not be used at start, each kept before anything was written
    // over it, and the same as one-line notices in the current language: all of them, or those
    // that belong to one tab of the window (the rules file's to Rules, the others to Settings).
    const std::vector<UnusableFile::Report>& unusableFiles() const { return unusableFiles_; }
    enum class NoticeTab { rules, settings };
    std::vector<std::string> notices(std::optional<NoticeTab> tab = std::nullopt) const;
    // For the status line: the rules file was set aside at start, and what is in force instead.
    std::optional<std::string> rulesSetAsideLine() const;

  signals:
    // Any of the state above changed.
    void changed();
    // The user asked to see the program `app` in the window.
    void detailsWanted(const std::string& app);

  private:
    // Applies a scan's result.
    void apply(const std::vector<Connection>& connections);
    // Decides each connection, programs' own first; true when a rule was made.
    bool decide(const std::vector<Connection>& connections, Dates::TimePoint now);
    // Applies what the events told since the last scan or glance.
    void applyGlance(const std::vector<Connection>& fresh, const std::vector<Connection>& named);
    // Adds the new connections to the rows and names those that `named` names, in place.
    void merge(const std::vector<Connection>& fresh, const std::vector<Connection>& named);
    // Connections of the rows still known by their address only, a bounded number.
    std::vector<Connection> unnamed() const;
    // After thousands of connections went, a scan later (when the views have let go of them
    // too), gives their memory back to the system.
    void releaseMemoryOfGone(size_t connections);
    void question(const Connection& connection);
    void noticeChosen(const Connection& connection, Notifier::Choice choice);
    // Gives each row its rate since the previous scan.
    void measureRates(Dates::TimePoint now);
    void saveJournalWhenDue();
    // Writes the record of the journal entry `connection` went into, when one is due.
    void exportEntry(const Connection& connection, Dates::TimePoint now);
    // What the window tells of the last save of the rules, the settings or the journal.
    enum class Saved { settings, journal, autostart };
    void noteSave(Saved what, const Result<void>& saved);
    void primeResolver();
    // Keeps the unusable data file at `path` aside and notes it.
    void keepUnusable(const std::string& path, const std::optional<std::string>& problem);
    const UnusableFile::Report* rulesSetAside() const;
    void tellRulesSetAside();
    // The current time in whole seconds, for rules.
    std::chrono::sys_seconds ruleTime() const;

    ModelOptions options_;
    Paths paths_;
    std::shared_ptr<TrackerList> trackers_ = std::make_shared<TrackerList>();
    ScanCycle cycle_;
    Journal journal_;
    // What the scans of this run recorded into the journal, for the last hour's chart.
    TrafficHistory history_;
    JournalExport export_;
    Settings settings_;
    RuleKeeper keeper_;
    std::vector<UnusableFile::Report> unusableFiles_;
    // Why the last save of each kind failed, while it has not succeeded since.
    std::map<Saved, std::string> saveProblems_;
    std::vector<AppRow> apps_;
    // Connections of the last scan, and whether the memory of many more before them, freed by
    // now, is to go back to the system at the next scan.
    size_t lastConnections_ = 0;
    bool releaseDue_ = false;
    RateMeter rates_;
    std::optional<Dates::TimePoint> lastScan_;
    HelperControl helper_;
    Notifier notifier_;
    HeldQuestions held_;
    // Absent until the journal is first written.
    std::optional<Dates::TimePoint> lastSave_;
    // Open modal questions.
    int asking_ = 0;
    QTimer primeTimer_{this};
};
