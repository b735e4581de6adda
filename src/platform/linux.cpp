#include <cstdlib>
#include <limits.h>
#include <string_view>

#include <unistd.h>

#include "platform.h"

namespace platform {
namespace {

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
        .helperInstalledPath = "/etc/systemd/system/nattervane-helper.path",
        .helperStatusPath = "/var/lib/nattervane/status.txt",
        .helperUninstallPath = "/usr/local/lib/nattervane/nv-uninstall.sh",
        .helperNamesPath = "/run/nattervane/names",
        .resourceDirs = {"../share/nattervane", "."},
        .xdgAutostart = true,
        .dataRoot = linuxDataRoot,
        .preferredLanguages = linuxLanguages,
        .executablePath = linuxExecutablePath,
    };
    return descriptor;
}

} // namespace platform
