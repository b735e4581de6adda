// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/paths.h"
#include "base/result.h"
#include "store/rule_set.h"

// Reads and writes the rules file and, from it, the block files of the privileged helper and the
// event service.
namespace RuleStore {

// What reading the rules file gave. Not a Result: an unusable file still gives a rule set (the
// empty one) to run with, and the problem is shown beside it.
struct Reading {
    RuleSet rules;
    // Why the file could not be used; absent when it was decoded or does not exist.
    std::optional<std::string> problem;
    // The copy of the last saved rules that `rules` came from instead, when the file had a
    // problem and the copy decodes.
    std::optional<std::string> restoredFrom;

    bool operator==(const Reading&) const = default;
};

// Reads and decodes the rules file; a missing file gives an empty rule set and no problem, an
// unreadable or malformed one the problem and the rules of the copy every save keeps beside it
// (`backupFile`), or an empty rule set when that cannot be used either. Never writes.
Reading read(const Paths& paths);
// The rule set of the rules file, or an empty one; never fails, never writes.
RuleSet load(const Paths& paths);

// The rules file's text: indented JSON with sorted keys. Throws nlohmann::json::exception when a
// text is not valid UTF-8.
std::string encode(const RuleSet& rules);

// The copy of the rules file each save writes, to restore the rules from when the file is damaged.
std::string backupFile(const Paths& paths);

// Creates the helper directory, rewrites the rules file and its copy, then writes each block file
// whose text changed, stopping at the first failure. A rules file that exists but does not decode
// is never lost: its contents are first kept beside it as "rules.json.bad-<its modification time>",
// and one that cannot be read is left in place and the save fails.
Result<void> save(const RuleSet& rules, const Paths& paths, const ListedDomains* listed = nullptr);

} // namespace RuleStore
