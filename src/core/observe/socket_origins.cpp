// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/socket_origins.h"

#include <vector>

#include <pwd.h>

#include "base/atomic_file.h"

SocketOrigins SocketOrigins::of(const platform::Descriptor& platform) {
    std::string mount;
    if (!platform.mountInfoPath.empty())
        if (Result<std::string> mounts = AtomicFile::read(platform.mountInfoPath))
            mount = CgroupNames::findMount(*mounts).value_or("");
    return SocketOrigins(CgroupNames(mount), UnitNames(platform.namingFolders()));
}

AppIdentity SocketOrigins::identity(const SocketFacts& facts, Lang lang) {
    using Kind = CgroupNames::Group::Kind;
    CgroupNames::Group group =
        facts.cgroupId ? cgroups_.group(facts.cgroupId) : CgroupNames::Group{};
    switch (group.kind) {
    case Kind::systemService:
    case Kind::userService: {
        bool system = group.kind == Kind::systemService;
        return AppIdentity::ofUnit(group.name, units_.description(group.name, system), system);
    }
    case Kind::application:
        return AppIdentity::ofApplication(
            units_.application(group.name, lang).value_or(AppIdentity::readable(group.name)));
    case Kind::none:
        break;
    }
    if (facts.uid) return AppIdentity::ofUser(userName(*facts.uid), lang);
    return AppIdentity::unknown(lang);
}

std::string SocketOrigins::userName(uint32_t uid) {
    auto [known, fresh] = users_.try_emplace(uid);
    if (!fresh) return known->second;
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    bool named = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found;
    known->second = named ? entry.pw_name : std::to_string(uid);
    return known->second;
}
