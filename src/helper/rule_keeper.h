// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include <sys/types.h>

#include "program_rules.h"

// Keeps the program rules the kernel side is to enforce as the application's block file, the
// names the DNS service published and the executables on disk say: a file is read again when it
// changed, and an executable resolved again when the file at its path was replaced (a package
// upgrade gives it a new inode).
class RuleKeeper {
  public:
    // `rulesFile` must belong to `owner` (or root); `namesFile` may be empty (no names).
    RuleKeeper(std::string rulesFile, uid_t owner, std::string namesFile);

    // The tables now, when they differ from those `refresh` gave last.
    std::optional<ProgramRules::Tables> refresh();
    // Lines of the block file that were refused, and why the file itself was, if it was.
    size_t rejected() const { return parsed_.rejected; }
    const std::string& problem() const { return problem_; }
    // The host name the DNS service last published for `ip`, when it did.
    std::optional<std::string> nameOf(const std::string& ip) const;

  private:
    // The modification time, size and inode of a file; absent when there is none.
    struct Stamp {
        int64_t seconds = 0;
        int64_t nanoseconds = 0;
        int64_t size = 0;
        uint64_t inode = 0;
        uint64_t device = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> stamp(const std::string& path);
    void readRules();
    // Resolves the executables of the rules whose file changed; true when any did, or the
    // programs are others.
    bool programsChanged();

    std::string rulesFile_;
    uid_t owner_;
    std::string namesFile_;
    std::optional<Stamp> rulesStamp_, namesStamp_;
    ProgramRules::Parsed parsed_;
    std::string problem_;
    std::unordered_map<std::string, std::string> names_;
    // Each program's executable as last resolved, with the stamp of the file then.
    using Resolved = std::pair<std::optional<Stamp>, std::optional<ProgramRules::Program>>;
    std::map<std::string, Resolved> programs_;
    std::optional<ProgramRules::Tables> given_;
};
