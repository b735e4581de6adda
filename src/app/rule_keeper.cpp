// SPDX-License-Identifier: GPL-3.0-or-later
#include "rule_keeper.h"

RuleKeeper::RuleKeeper(const Paths& paths, JournalExport& exporter, Hooks hooks)
    : paths_(paths), export_(exporter), hooks_(std::move(hooks)) {}

RuleStore::Reading RuleKeeper::load() {
    RuleStore::Reading reading = RuleStore::read(paths_);
    rules_ = reading.rules;
    exported_ = rules_;
    restoredFrom_ = reading.restoredFrom;
    return reading;
}

Result<void> RuleKeeper::save() {
    Result<void> saved = RuleStore::save(rules_, paths_, hooks_.listed());
    if (!saved) {
        saveProblem_ = saved.error().message;
        return saved;
    }
    saveProblem_.reset();
    export_.rules(exported_, rules_, hooks_.lang());
    exported_ = rules_;
    return saved;
}

void RuleKeeper::add(const Rule& rule) {
    if (rules_.roomFor({rule.target, rule.program}))
        rules_.set(rule.target, rule.app, rule.action, rule.ips, rule.created);
}

void RuleKeeper::set(const RulePlace& place, const std::string& app,
                     std::optional<RuleAction> action, std::optional<std::vector<std::string>> ips,
                     std::chrono::sys_seconds created) {
    rules_.set(place.target, app, action, std::move(ips), created, place.program);
}

void RuleKeeper::setBlockNew(bool on, std::set<std::string> baseline) {
    rules_.blockNew = on;
    if (on) rules_.baseline = std::move(baseline);
}

Result<void> RuleKeeper::edit(RuleEdit edit, std::chrono::sys_seconds now) {
    if (Result<void> usable = edit.check(); !usable) return usable;
    RuleSet before = rules_;
    if (Result<void> made = edit.applyTo(rules_, now); !made) return made;
    // An edit asked for from outside is reported made only once it is on disk.
    if (Result<void> saved = save(); !saved) {
        rules_ = std::move(before);
        return Error{saved.error().code, "not saved: " + saved.error().message};
    }
    return {};
}
