// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "base/lang.h"
#include "base/paths.h"
#include "base/result.h"
#include "classify/tracker_list.h"
#include "present/journal_export.h"
#include "store/rule.h"
#include "store/rule_edit.h"
#include "store/rule_set.h"
#include "store/rule_store.h"

// The user's rules in force: read at start, changed in memory and written with the block files
// the helper reads, each change that reached the disk told to the system journal. A failed save
// leaves the files as they were; the rules in memory stay in force, are saved again at the next
// change, and the problem is kept for the window to say.
class RuleKeeper {
  public:
    struct Hooks {
        std::function<Lang()> lang;
        // The listed tracker domains the block files name.
        std::function<const ListedDomains*()> listed;
    };

    RuleKeeper(const Paths& paths, JournalExport& exporter, Hooks hooks);

    // Reads the rules file, or the copy of the last saved rules when it is damaged.
    RuleStore::Reading load();
    const RuleSet& rules() const { return rules_; }
    // The copy the rules were restored from, the rules file being unusable at start.
    const std::optional<std::string>& restoredFrom() const { return restoredFrom_; }
    // Why the last save failed, while none has succeeded since.
    const std::optional<std::string>& saveProblem() const { return saveProblem_; }

    // Writes the rules file and the block files from the rules in memory.
    Result<void> save();
    // Adds `rule` unless the rule set is full.
    void add(const Rule& rule);
    // Sets the rule at `place` for `app`, or removes it when `action` is absent.
    void set(const RulePlace& place, const std::string& app, std::optional<RuleAction> action,
             std::optional<std::vector<std::string>> ips, std::chrono::sys_seconds created);
    // Turns blocking everything new on, with `baseline` as what is not new, or off.
    void setBlockNew(bool on, std::set<std::string> baseline);
    void replace(RuleSet rules) { rules_ = std::move(rules); }
    // Makes `edit` and saves; when the save fails the rules are as before and why is said.
    Result<void> edit(RuleEdit edit, std::chrono::sys_seconds now);

  private:
    const Paths& paths_;
    JournalExport& export_;
    Hooks hooks_;
    RuleSet rules_;
    // The rules as last saved, against which the system journal is told what changed.
    RuleSet exported_;
    std::optional<std::string> restoredFrom_;
    std::optional<std::string> saveProblem_;
};
