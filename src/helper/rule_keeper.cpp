// SPDX-License-Identifier: GPL-3.0-or-later
#include "rule_keeper.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "block_file.h"
#include "helper.h"
#include "observe/resolver.h"

RuleKeeper::RuleKeeper(std::string rulesFile, uid_t owner, std::string namesFile)
    : rulesFile_(std::move(rulesFile)), owner_(owner), namesFile_(std::move(namesFile)) {}

std::optional<RuleKeeper::Stamp> RuleKeeper::stamp(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) return std::nullopt;
    return Stamp{status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_size, status.st_ino,
                 status.st_dev};
}

void RuleKeeper::readRules() {
    size_t slash = rulesFile_.rfind('/');
    OwnedFd directory(open(rulesFile_.substr(0, slash + 1).c_str(),
                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    Result<BlockFile> file = directory
                                 ? BlockFile::open(directory.get(), rulesFile_.substr(slash + 1),
                                                   owner_, Helper::maxBlockFileBytes)
                                 : Result<BlockFile>(Error::fromErrno(rulesFile_));
    problem_ = file ? "" : file.error().message;
    parsed_ = file ? ProgramRules::parse(file->read(Helper::maxBlockFileBytes).text)
                   : ProgramRules::Parsed{};
}

bool RuleKeeper::programsChanged() {
    bool changed = false;
    std::map<std::string, Resolved> programs;
    for (const ProgramRules::Line& line : parsed_.lines) {
        if (line.program == ProgramRules::everyProgram || programs.contains(line.program)) continue;
        std::optional<Stamp> now = stamp(line.program);
        auto known = programs_.find(line.program);
        if (known != programs_.end() && known->second.first == now) {
            programs.insert(*known);
            continue;
        }
        changed = true;
        programs[line.program] = {now, now ? ProgramRules::resolve(line.program) : std::nullopt};
    }
    changed = changed || programs.size() != programs_.size();
    programs_ = std::move(programs);
    return changed;
}

std::optional<ProgramRules::Tables> RuleKeeper::refresh() {
    bool changed = !given_;
    if (std::optional<Stamp> now = stamp(rulesFile_); now != rulesStamp_ || !given_) {
        rulesStamp_ = now;
        readRules();
        changed = true;
    }
    if (std::optional<Stamp> now = stamp(namesFile_); now != namesStamp_) {
        namesStamp_ = now;
        names_ = Resolver::parseNames(AtomicFile::read(namesFile_).value_or(""));
        changed = true;
    }
    changed = programsChanged() || changed;
    if (!changed) return std::nullopt;
    ProgramRules::Tables tables = ProgramRules::tables(
        parsed_.lines, [this](const std::string& path) { return programs_.at(path).second; },
        names_);
    if (given_ == tables) return std::nullopt;
    given_ = tables;
    return tables;
}

std::optional<std::string> RuleKeeper::nameOf(const std::string& ip) const {
    auto found = names_.find(ip);
    if (found == names_.end()) return std::nullopt;
    return found->second;
}
