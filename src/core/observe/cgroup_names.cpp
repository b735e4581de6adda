// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/cgroup_names.h"

#include <algorithm>
#include <dirent.h>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "base/owned_fd.h"
#include "base/text.h"

namespace {

// Bounds on a walk of the hierarchy: real ones have a few hundred groups, a few levels deep.
constexpr size_t mostGroups = 65536;
constexpr int deepest = 32;

// A mountinfo field with its octal escapes ("\040" for a blank) undone.
std::string unescaped(std::string_view field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        std::string_view code = field.substr(i + 1, 3);
        if (field[i] == '\\' && code.size() == 3 &&
            code.find_first_not_of("01234567") == std::string_view::npos) {
            text += static_cast<char>((code[0] - '0') * 64 + (code[1] - '0') * 8 + (code[2] - '0'));
            i += 3;
            continue;
        }
        text += field[i];
    }
    return text;
}

// The application id in a unit name of the desktop's launchers: "app[-LAUNCHER]-ID[-RANDOM].scope"
// or "app[-LAUNCHER]-ID[@RANDOM].service"; systemd writes a "-" within the id as "\x2d".
std::optional<std::string> applicationId(std::string_view unit, std::string_view suffix) {
    std::string_view body = unit.substr(0, unit.size() - suffix.size());
    if (!body.starts_with("app-")) return std::nullopt;
    body.remove_prefix(4);
    if (suffix == ".service") body = body.substr(0, body.find('@'));
    std::vector<std::string_view> parts = Text::split(body, '-');
    // A scope's last part is the launcher's random tail.
    if (suffix == ".scope" && parts.size() > 1) parts.pop_back();
    if (parts.empty() || parts.back().empty()) return std::nullopt;
    std::string id;
    std::string_view rest = parts.back();
    for (size_t at; (at = rest.find("\\x2d")) != std::string_view::npos; rest.remove_prefix(at + 4))
        id.append(rest.substr(0, at)).push_back('-');
    return id.append(rest);
}

} // namespace

CgroupNames::CgroupNames(std::string mount) : mount_(std::move(mount)) {}

CgroupNames::Group CgroupNames::group(uint64_t id) {
    auto found = paths_.find(id);
    if (found == paths_.end() && mayWalk_ && !mount_.empty()) {
        mayWalk_ = false;
        walk();
        found = paths_.find(id);
    }
    return found == paths_.end() ? Group{} : describe(found->second);
}

void CgroupNames::walk() {
    paths_.clear();
    struct Level {
        OwnedFd fd;
        std::string path;
    };
    std::vector<Level> pending;
    pending.push_back({OwnedFd(open(mount_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ""});
    while (!pending.empty() && paths_.size() < mostGroups) {
        Level level = std::move(pending.back());
        pending.pop_back();
        struct stat status {};
        if (!level.fd || fstat(level.fd.get(), &status) != 0) continue;
        paths_[status.st_ino] = level.path.empty() ? "/" : level.path;
        if (std::count(level.path.begin(), level.path.end(), '/') >= deepest) continue;
        DIR* directory = fdopendir(level.fd.release());
        if (!directory) continue;
        while (const dirent* entry = readdir(directory)) {
            if (entry->d_type != DT_DIR || entry->d_name[0] == '.') continue;
            OwnedFd child(openat(dirfd(directory), entry->d_name,
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
            if (child) pending.push_back({std::move(child), level.path + "/" + entry->d_name});
        }
        closedir(directory);
    }
}

CgroupNames::Group CgroupNames::describe(std::string_view path) {
    // The innermost unit decides: a service started inside an application's scope is the
    // application's.
    std::vector<std::string_view> parts = Text::splitNonEmpty(path, '/');
    bool userManager = false;
    Group group;
    for (std::string_view part : parts) {
        if (part.starts_with("user@") && part.ends_with(".service")) {
            userManager = true;
            continue;
        }
        for (std::string_view suffix : {".scope", ".service"}) {
            if (!part.ends_with(suffix)) continue;
            if (auto id = applicationId(part, suffix))
                group = {Group::Kind::application, *id};
            else if (suffix == ".service")
                group = {userManager ? Group::Kind::userService : Group::Kind::systemService,
                         std::string(part)};
            else
                group = {};
        }
    }
    return group;
}

std::optional<std::string> CgroupNames::findMount(std::string_view mountinfo) {
    for (std::string_view line : Text::lines(mountinfo)) {
        std::vector<std::string_view> fields = Text::words(line);
        auto separator = std::find(fields.begin(), fields.end(), "-");
        if (separator == fields.end() || separator + 1 == fields.end() || fields.size() < 5)
            continue;
        if (*(separator + 1) == "cgroup2") return unescaped(fields[4]);
    }
    return std::nullopt;
}
