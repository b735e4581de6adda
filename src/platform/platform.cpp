// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace platform {

const Descriptor& current() {
#ifdef __APPLE__
    return macos();
#else
    return linux();
#endif
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

std::string loginName() {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name) return entry->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

} // namespace platform
