// SPDX-License-Identifier: GPL-3.0-or-later
#include "model.h"

#include <filesystem>
#include <iostream>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <QCoreApplication>
#include <QPointer>

#include "base/atomic_file.h"
#include "base/text.h"
#include "classify/known_orgs.h"
#include "native_desktop.h"
#include "policy/decider.h"
#include "present/app_texts.h"
#include "present/held_connection.h"
#include "present/question_texts.h"
#include "store/rule_store.h"

using namespace std::chrono_literals;

namespace {

constexpr int journalKeepDays = 7;
constexpr auto primePeriod = 900s;
constexpr auto journalSavePeriod = 30s;
// A shipped table that cannot be loaded leaves the model without it; one line says why.
void warnUnloaded(const Result<void>& loaded, const char* consequence) {
    if (!loaded)
        std::cerr << "nattervane: " << loaded.error().message << "; " << consequence << "\n";
}

// Every notification, question and administrator step goes through the desktop: this system's
// when none is given.
ModelOptions withDesktop(ModelOptions options) {
    if (!options.desktop) options.desktop = nativeDesktop();
    return options;
}

} // namespace

Model::Model(ModelOptions options, QObject* parent)
    : QObject(parent), options_(withDesktop(std::move(options))),
      paths_(options_.dataRoot, *options_.platform),
      cycle_(std::make_unique<Scanner>(trackers_, options_.scanner),
             {[this] { return settings_.paused; }, [this] { return settings_.showLocal; },
              [this] { return asking(); }, [this] { return unnamed(); },
              [this](const std::vector<Connection>& connections) { apply(connections); },
              [this](const std::vector<Connection>& fresh, const std::vector<Connection>& named) {
                  applyGlance(fresh, named);
              },
              [this] { emit changed(); }},
             this),
      journal_(paths_.journal(), journalKeepDays, options_.clock, options_.witness),
      history_(options_.clock()), export_(options_.platform->journalSocketPath, options_.loginName),
      keeper_(paths_, export_,
              {[this] { return lang(); }, [this] { return &trackers_->domains(); }}),
      helper_({options_.platform, paths_.helperDir(), paths_.helperStatus, options_.helperDir,
               options_.loginName},
              *options_.desktop,
              {[this](const Question& question) { return ask(question); },
               [this] { return lang(); }, [this] { static_cast<void>(keeper_.save()); }}),
      notifier_(
          *options_.desktop, options_.platform->wording,
          {[this] { return lang(); }, [this] { return settings_.quiet; },
           [model = QPointer<Model>(this)](const Connection& connection, Notifier::Choice choice) {
               if (model) model->noticeChosen(connection, choice);
           }}),
      held_(options_.questionsSocket) {
    connect(&held_, &HeldQuestions::holdingChanged, this, &Model::changed);
    primeTimer_.setObjectName("primeTimer");
    connect(&primeTimer_, &QTimer::timeout, this, &Model::primeResolver);
}

Model& Model::shared() {
    static Model* model = new Model(ModelOptions(), QCoreApplication::instance());
    return *model;
}

void Model::start() {
    std::error_code ignored;
    std::filesystem::create_directories(paths_.helperDir(), ignored);
    for (const std::string& dir : {paths_.root, paths_.helperDir(), paths_.journal()})
        AtomicFile::removeLeftovers(dir);
    unusableFiles_ = journal_.unusable();
    SettingsReading settings = readSettings(paths_.settingsFile());
    keepUnusable(paths_.settingsFile(), settings.problem);
    settings_ = settings.settings.value_or(Settings{});
    export_.setOn(settings_.exportJournal);
    held_.follow(!settings_.quiet, settings_.blockAtDeadline);
    cycle_.scanner().setLang(lang());
    auto trackers = std::make_shared<TrackerList>();
    warnUnloaded(trackers->loadFile(options_.trackerList), "no domain counts as listed");
    trackers_ = trackers;
    cycle_.scanner().setTrackers(trackers);
    auto orgs = std::make_shared<OrgTable>();
    warnUnloaded(orgs->loadFile(options_.orgTable), "only the built-in domains are known");
    cycle_.scanner().setOrgTable(orgs);
    RuleStore::Reading rules = keeper_.load();
    keepUnusable(paths_.rulesFile(), rules.problem);
    // Block files are never written from a rule set that lost rules: with a damaged file and no
    // copy to restore from, they stay as last applied until the user changes a rule.
    if (!rules.problem || rules.restoredFrom) static_cast<void>(keeper_.save());
    tellRulesSetAside();
    primeResolver();
    primeTimer_.start(primePeriod);
    helper_.refresh();
    emit changed();
    scan();
    reschedule();
}

void Model::keepUnusable(const std::string& path, const std::optional<std::string>& problem) {
    if (problem)
        unusableFiles_.push_back(
            UnusableFile::keep(path, *problem, UnusableFile::Unreadable::move));
}

const UnusableFile::Report* Model::rulesSetAside() const {
    for (const UnusableFile::Report& report : unusableFiles_)
        if (report.path == paths_.rulesFile()) return &report;
    return nullptr;
}

void Model::tellRulesSetAside() {
    // Told even when quiet: the blocks the user relies on may not be the ones in force.
    if (const UnusableFile::Report* report = rulesSetAside())
        options_.desktop->notify(
            "rules-set-aside", AppTexts::rulesSetAsideTitle(lang()),
            AppTexts::rulesSetAsideBody(*report, keeper_.restoredFrom(), lang()));
}

std::optional<std::string> Model::rulesSetAsideLine() const {
    if (!rulesSetAside()) return std::nullopt;
    return AppTexts::rulesSetAsideLine(keeper_.restoredFrom(), lang());
}

std::vector<std::string> Model::notices(std::optional<NoticeTab> tab) const {
    std::vector<std::string> texts;
    for (const UnusableFile::Report& report : unusableFiles_)
        if (!tab || (report.path == paths_.rulesFile()) == (*tab == NoticeTab::rules))
            texts.push_back(AppTexts::unusableFileNotice(report, lang()));
    if (keeper_.restoredFrom() && tab != NoticeTab::settings)
        texts.push_back(AppTexts::rulesRestoredNotice(*keeper_.restoredFrom(), lang()));
    if (keeper_.saveProblem() && tab != NoticeTab::settings)
        texts.push_back(AppTexts::notSavedNotice(*keeper_.saveProblem(), lang()));
    for (const auto& [what, problem] : saveProblems_)
        if (tab != NoticeTab::rules) texts.push_back(AppTexts::notSavedNotice(problem, lang()));
    if (export_.on() && export_.refusing() && tab != NoticeTab::rules)
        texts.push_back(AppTexts::exportRefusedNotice(export_.refused(), lang()));
    return texts;
}

void Model::primeResolver() {
    cycle_.scanner().resolver().prime(KnownOrgs::watchDomains());
}

void Model::reschedule() {
    cycle_.reschedule(settings_.interval);
}

void Model::scan() {
    cycle_.scan();
}

std::optional<size_t> Model::ask(const Question& question) {
    ++asking_;
    std::optional<size_t> answer = options_.desktop->ask(question);
    --asking_;
    cycle_.release();
    return answer;
}

void Model::apply(const std::vector<Connection>& connections) {
    Dates::TimePoint now = options_.clock();
    lastScan_ = now;
    bool rulesChanged = decide(connections, now);
    if (rulesChanged) persistRules();
    apps_ = AppRow::rows(connections);
    releaseMemoryOfGone(connections.size());
    measureRates(now);
    saveJournalWhenDue();
    helper_.refresh();
    emit changed();
}

bool Model::decide(const std::vector<Connection>& connections, Dates::TimePoint now) {
    bool rulesChanged = false;
    // What the programs reach is decided first: a connection to them journaled before would
    // count as the program's own first sighting of that destination today.
    std::vector<const Connection*> ordered;
    ordered.reserve(connections.size());
    for (bool incoming : {false, true})
        for (const Connection& connection : connections)
            if (connection.incoming == incoming) ordered.push_back(&connection);
    for (const Connection* each : ordered) {
        const Connection& connection = *each;
        const std::optional<Decision> decision =
            Decider::decide(keeper_.rules(), connection, journal_, now);
        if (!decision) continue;
        if (decision->newRule) {
            keeper_.add(*decision->newRule);
            rulesChanged = true;
        }
        const Journal::Recorded recorded =
            journal_.record(connection, decision->action == RuleAction::block, now,
                            decision->rule ? &*decision->rule : nullptr);
        history_.add(connection.app.name, connection.dest(), recorded.bytes.in, recorded.bytes.out,
                     now);
        exportEntry(connection, now);
        if (decision->notice) notifier_.post(*decision->notice, connection);
        if (decision->ask) question(connection);
    }
    return rulesChanged;
}

void Model::applyGlance(const std::vector<Connection>& fresh,
                        const std::vector<Connection>& named) {
    Dates::TimePoint now = options_.clock();
    bool rulesChanged = decide(fresh, now);
    rulesChanged = decide(named, now) || rulesChanged;
    if (rulesChanged) persistRules();
    merge(fresh, named);
    emit changed();
}

void Model::merge(const std::vector<Connection>& fresh, const std::vector<Connection>& named) {
    std::unordered_map<std::string, const Connection*> names;
    for (const Connection& connection : named)
        names.emplace(connection.id(), &connection);
    std::vector<Connection> all;
    std::unordered_set<std::string> ids;
    std::map<std::string, std::optional<Rate>> rates;
    for (const AppRow& row : apps_) {
        rates.emplace(row.name, row.rate);
        for (const Connection& connection : row.conns) {
            auto name = names.find(connection.id());
            all.push_back(name == names.end() ? connection : *name->second);
            ids.insert(connection.id());
        }
    }
    for (const Connection& connection : fresh)
        if (ids.insert(connection.id()).second) all.push_back(connection);
    apps_ = AppRow::rows(all);
    for (AppRow& row : apps_)
        if (auto rate = rates.find(row.name); rate != rates.end()) row.rate = rate->second;
}

std::vector<Connection> Model::unnamed() const {
    constexpr size_t most = 256;
    std::vector<Connection> connections;
    for (const AppRow& row : apps_)
        for (const Connection& connection : row.conns)
            if (!connection.host && connections.size() < most) connections.push_back(connection);
    return connections;
}

void Model::measureRates(Dates::TimePoint now) {
    std::vector<RateMeter::Sample> samples;
    for (const AppRow& row : apps_)
        for (const Connection& connection : row.conns)
            samples.push_back(
                {connection.id(), connection.app.name, connection.bytesIn, connection.bytesOut});
    const std::map<std::string, Rate> rates = rates_.update(samples, now);
    if (rates.empty()) return;
    for (AppRow& row : apps_)
        if (const auto found = rates.find(row.name); found != rates.end()) row.rate = found->second;
}

void Model::exportEntry(const Connection& connection, Dates::TimePoint now) {
    if (!export_.on()) return;
    if (const JournalEntry* entry = journal_.find(connection.app.name, connection.dest(), now))
        export_.entry(connection, *entry, lang(), options_.platform->wording, now);
}

void Model::saveJournalWhenDue() {
    Dates::TimePoint now = options_.clock();
    if (lastSave_ && now - *lastSave_ <= journalSavePeriod) return;
    // Days that could not be written stay in memory and are tried again at the next save.
    noteSave(Saved::journal, journal_.save());
    lastSave_ = now;
}

void Model::quit() {
    // The last chance to write; what fails is lost with nothing left to tell.
    static_cast<void>(journal_.save());
    QCoreApplication::quit();
}

void Model::setSettings(const Settings& settings) {
    settings_ = settings;
    saveSettings();
}

void Model::noteAutostart(const Result<void>& written) {
    noteSave(Saved::autostart, written);
    emit changed();
}

void Model::saveSettings() {
    cycle_.scanner().setLang(lang());
    export_.setOn(settings_.exportJournal);
    held_.follow(!settings_.quiet, settings_.blockAtDeadline);
    // The settings stay in force for this run when they cannot be written, and the window says so.
    noteSave(Saved::settings, writeSettings(paths_.settingsFile(), settings_));
    reschedule();
    emit changed();
}

Result<void> Model::setExport(bool on) {
    settings_.exportJournal = on;
    saveSettings();
    if (auto problem = saveProblems_.find(Saved::settings); problem != saveProblems_.end())
        return Error{0, "not saved: " + problem->second};
    return {};
}

void Model::releaseMemoryOfGone(size_t connections) {
    constexpr size_t many = 1000;
    // What is remembered of closed connections (their owners and counters) is let go a few
    // minutes later: its memory is given back then too.
    constexpr auto remembered = 200s;
    const auto release = options_.platform->releaseFreedMemory;
    if (releaseDue_ && release) {
        release();
        QTimer::singleShot(remembered, this, [release] { release(); });
    }
    releaseDue_ = connections + many < lastConnections_;
    lastConnections_ = connections;
}

void Model::question(const Connection& connection) {
    // The service asked before the connection left; a scan sees it only afterwards.
    if (held_.holding()) return;
    if (notifier_.questionDue(connection)) askNow(connection);
}

Connection Model::heldConnection(const HeldQuestion& question) const {
    // The service's name for the destination, else one a scan learnt for its address.
    std::optional<std::string> host = question.host;
    for (const AppRow& row : apps_)
        for (const Connection& connection : row.conns)
            if (!host && connection.ip == question.first.remoteIP) host = connection.host;
    return HeldConnection::of(question.first, host, trackers_.get(),
                              cycle_.scanner().orgTable().get(), lang(), *options_.platform);
}

void Model::answerHeld(uint64_t id, const Connection& connection, bool allow,
                       std::optional<RuleScope> always) {
    held_.answer(id, allow);
    if (always) setRule(connection, allow ? RuleAction::allow : RuleAction::block, *always);
}

void Model::askNow(const Connection& connection) {
    if (settings_.quiet) return;
    const bool ownRules = connection.app.exePath.has_value();
    const Question asked = AppTexts::connectionQuestion(
        connection.app.name, connection.dest(), notifier_.sentence(connection), ownRules, lang());
    std::optional<size_t> answer = ask(asked);
    export_.answer(connection,
                   answer && *answer < asked.buttons.size() ? std::optional(asked.buttons[*answer])
                                                            : std::nullopt,
                   lang());
    if (answer == 0) setRule(connection, RuleAction::allow);
    if (answer == 1) setRule(connection, RuleAction::block);
    if (answer == 2 && ownRules) setRule(connection, RuleAction::block, RuleScope::program);
}

void Model::postHeld(uint64_t id) {
    const std::optional<int> at = held_.rowOf(id);
    if (!at) return;
    const Connection connection = heldConnection(held_.asked(*at).question);
    using QuestionTexts::Key;
    const auto button = [this](const char* key, Key label) {
        return NoticeActions::Button{key, QuestionTexts::text(label, lang())};
    };
    NoticeActions actions{{button("allow", Key::allowOnce), button("block", Key::blockOnce)},
                          [held = QPointer<HeldQuestions>(&held_), id](const std::string& key) {
                              if (held) held->answer(id, key == "allow");
                          }};
    notifier_.notify("held|" + std::to_string(id),
                     QuestionTexts::cardName(connection.app.name, connection.dest(), lang()),
                     notifier_.sentence(connection), actions);
}

void Model::noticeChosen(const Connection& connection, Notifier::Choice choice) {
    if (choice == Notifier::Choice::details)
        emit detailsWanted(connection.app.name);
    else
        setRule(connection,
                choice == Notifier::Choice::allow ? RuleAction::allow : RuleAction::block);
}

std::chrono::sys_seconds Model::ruleTime() const {
    return std::chrono::floor<std::chrono::seconds>(options_.clock());
}

void Model::setRule(const Connection& connection, std::optional<RuleAction> action,
                    RuleScope scope) {
    std::optional<RulePlace> place = RulePlace::of(connection, scope);
    Result<void> usable = place && place->program ? Rule::checkProgram(*place->program)
                          : place                 ? Result<void>()
                                                  : Error{0, connection.app.name};
    if (!usable) {
        ask(AppTexts::programRuleRefused(lang(), usable.error().message));
        return;
    }
    if (action && !keeper_.rules().roomFor(*place)) {
        ask(AppTexts::rulesFull(lang(), RuleSet::maxRules));
        return;
    }
    std::optional<std::vector<std::string>> ips;
    if (action == RuleAction::block && connection.host && scope != RuleScope::wholeProgram)
        ips = {{connection.ip}};
    keeper_.set(*place, connection.app.name, action, std::move(ips), ruleTime());
    notifier_.settled(connection);
    persistRules();
    if (action == RuleAction::block) offerHelperAfterBlocking();
}

void Model::blockAllOf(const AppRow& row) {
    for (const Rule& rule : Decider::blockAll(row.name, row.conns, options_.clock()))
        keeper_.add(rule);
    persistRules();
    offerHelperAfterBlocking();
}

void Model::toggleBlockNew() {
    if (keeper_.rules().blockNew) {
        keeper_.setBlockNew(false, {});
    } else {
        std::vector<Connection> listed;
        for (const AppRow& row : apps_)
            listed.insert(listed.end(), row.conns.begin(), row.conns.end());
        keeper_.setBlockNew(true, Decider::baseline(journal_, listed));
        offerHelperAfterBlocking();
    }
    persistRules();
}

void Model::noteSave(Saved what, const Result<void>& saved) {
    if (saved)
        saveProblems_.erase(what);
    else
        saveProblems_[what] = saved.error().message;
}

void Model::persistRules() {
    static_cast<void>(keeper_.save());
    emit changed();
}

void Model::setRules(const RuleSet& rules) {
    keeper_.replace(rules);
    persistRules();
}

Result<void> Model::edit(RuleEdit edit) {
    Result<void> made = keeper_.edit(std::move(edit), ruleTime());
    emit changed();
    return made;
}

std::vector<TrafficSeries::Bar> Model::traffic(const TrafficSeries::Subject& subject,
                                               TrafficSeries::Span span) const {
    return TrafficSeries::of(span, history_, journal_.entries(), subject, options_.clock());
}

void Model::wipeJournal() {
    journal_.wipe();
    history_ = TrafficHistory(options_.clock());
    notifier_.forgetNotices();
    emit changed();
}

void Model::installHelper() {
    helper_.install();
    emit changed();
}

void Model::uninstallHelper(bool clearRules) {
    helper_.uninstall();
    if (clearRules) setRules(RuleSet{});
    emit changed();
}

void Model::offerHelper() {
    helper_.offer();
    emit changed();
}

void Model::offerHelperAfterBlocking() {
    if (!helper_.installed()) offerHelper();
}

bool Model::programRulesLapse() const {
    const std::vector<Rule>& rules = keeper_.rules().rules;
    return source().events != EventFeed::State::live &&
           std::any_of(rules.begin(), rules.end(),
                       [](const Rule& rule) { return rule.program.has_value(); });
}

bool Model::adsNow() const {
    for (const AppRow& row : apps_)
        for (const Connection& connection : row.conns)
            if (!connection.incoming && connection.verdict.category == Category::ads) return true;
    return false;
}

int Model::trackingNow() const {
    int total = 0;
    for (const AppRow& row : apps_)
        total += row.trackerCount;
    return total;
}
