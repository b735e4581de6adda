// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <limits.h>
#include <string_view>

#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform.h"

namespace platform {
namespace {

// glibc keeps what a thread freed in its arena; other C libraries are left as they are.
void linuxReleaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> linuxLanguages() {
    std::vector<std::string> tags;
    std::string_view list = std::getenv("LANGUAGE") ? std::getenv("LANGUAGE") : "";
    while (!list.empty()) {
        size_t colon = list.find(':');
        std::string_view tag = list.substr(0, colon);
        if (!tag.empty()) tags.emplace_back(tag);
        list = colon == std::string_view::npos ? "" : list.substr(colon + 1);
    }
    if (!tags.empty()) return tags;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = envOrEmpty(name);
        if (!value.empty()) return {value};
    }
    return {};
}

std::string linuxDataRoot() {
    std::string xdg = envOrEmpty("XDG_DATA_HOME");
    if (!xdg.empty()) return xdg + "/Nattervane";
    return homeDirectory() + "/.local/share/Nattervane";
}

// The folders of XDG_DATA_DIRS (or its default) after the user's own, with `leaf` added.
std::vector<std::string> dataFolders(const std::string& leaf) {
    std::string home = envOrEmpty("XDG_DATA_HOME");
    std::vector<std::string> folders{(home.empty() ? homeDirectory() + "/.local/share" : home) +
                                     "/" + leaf};
    std::string dirs = envOrEmpty("XDG_DATA_DIRS");
    std::string_view list = dirs.empty() ? "/usr/local/share:/usr/share" : std::string_view(dirs);
    while (!list.empty()) {
        size_t colon = list.find(':');
        if (colon != 0) folders.push_back(std::string(list.substr(0, colon)) + "/" + leaf);
        list = colon == std::string_view::npos ? "" : list.substr(colon + 1);
    }
    folders.push_back("/var/lib/flatpak/exports/share/" + leaf);
    folders.push_back("/var/lib/snapd/desktop/" + leaf);
    return folders;
}

NamingFolders linuxNamingFolders() {
    std::string config = envOrEmpty("XDG_CONFIG_HOME");
    if (config.empty()) config = homeDirectory() + "/.config";
    return {
        .systemUnits = {"/etc/systemd/system", "/run/systemd/transient", "/run/systemd/system",
                        "/usr/local/lib/systemd/system", "/usr/lib/systemd/system",
                        "/lib/systemd/system"},
        .userUnits = {config + "/systemd/user", "/etc/systemd/user", "/run/systemd/user",
                      "/usr/local/lib/systemd/user", "/usr/lib/systemd/user"},
        .applications = dataFolders("applications"),
    };
}

std::optional<std::string> linuxExecutablePath(int32_t pid) {
    if (pid <= 0) return std::nullopt;
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string buffer(PATH_MAX, '\0');
    ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 1) return std::nullopt;
    buffer.resize(static_cast<size_t>(length));
    // The kernel marks an executable that was replaced or removed since it started.
    constexpr std::string_view deleted = " (deleted)";
    if (buffer.ends_with(deleted)) buffer.resize(buffer.size() - deleted.size());
    return buffer;
}

} // namespace

const Descriptor& linux() {
    static const Descriptor descriptor{
        .name = "linux",
        .wording = Wording::linux,
        .listers =
            {{"", {}, "netlink", ListerFormat::sockDiag},
             {"/usr/bin/ss", {"-H", "-t", "-u", "-n", "-i", "-e"}, "ss", ListerFormat::ssInodes},
             {"/usr/bin/lsof", {"-nP", "-i", "-F", "pcnPT"}, "lsof", ListerFormat::lsof}},
        .systemPrefixes = {"/usr/sbin/", "/sbin/", "/usr/lib/", "/lib/", "/usr/libexec/"},
        .packagePaths = true,
        .appBundles = false,
        .helperInstalledPath = "/etc/nattervane/helper.conf",
        .helperStatusPath = "/var/lib/nattervane/status.txt",
        .helperUninstallPath = "/usr/local/lib/nattervane/nv-uninstall.sh",
        .helperNamesPath = "/run/nattervane/names",
        .bootIdPath = "/proc/sys/kernel/random/boot_id",
        .eventsSocketPath = "/run/nattervane-events/socket",
        .journalSocketPath = "/run/systemd/journal.nattervane/socket",
        .journalReaderGroups = {"adm", "systemd-journal"},
        .mountInfoPath = "/proc/self/mountinfo",
        .publicSuffixListPath = "/usr/share/publicsuffix/public_suffix_list.dat",
        .namingFolders = linuxNamingFolders,
        .resourceDirs = {"../share/nattervane", "."},
        .xdgAutostart = true,
        .dataRoot = linuxDataRoot,
        .preferredLanguages = linuxLanguages,
        .executablePath = linuxExecutablePath,
        .releaseFreedMemory = linuxReleaseFreedMemory,
    };
    return descriptor;
}

} // namespace platform
