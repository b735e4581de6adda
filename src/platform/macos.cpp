// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#ifdef __APPLE__
#include <CoreFoundation/CoreFoundation.h>
#include <libproc.h>
#endif

namespace platform {
namespace {

#ifdef __APPLE__
std::vector<std::string> macLanguages() {
    std::vector<std::string> tags;
    CFArrayRef languages = CFLocaleCopyPreferredLanguages();
    if (!languages) return tags;
    for (CFIndex i = 0; i < CFArrayGetCount(languages); ++i) {
        auto tag = static_cast<CFStringRef>(CFArrayGetValueAtIndex(languages, i));
        char buffer[64] = {};
        if (CFStringGetCString(tag, buffer, sizeof buffer, kCFStringEncodingUTF8))
            tags.emplace_back(buffer);
    }
    CFRelease(languages);
    return tags;
}

std::optional<std::string> macExecutablePath(int32_t pid) {
    char buffer[4096] = {};
    if (proc_pidpath(pid, buffer, sizeof buffer) < 1) return std::nullopt;
    return std::string(buffer);
}
#else
// Elsewhere the macOS descriptor serves tests only: no language list, no process paths.
std::vector<std::string> macLanguages() {
    return {};
}
std::optional<std::string> macExecutablePath(int32_t) {
    return std::nullopt;
}
#endif

std::string macDataRoot() {
    return homeDirectory() + "/Library/Application Support/Nattervane";
}

} // namespace

const Descriptor& macos() {
    static const Descriptor descriptor{
        .name = "macos",
        .wording = Wording::macos,
        .listers = {{"/usr/bin/nettop",
                     {"-L", "1", "-n", "-x", "-J", "bytes_in,bytes_out"},
                     "nettop",
                     ListerFormat::nettop},
                    {"/usr/sbin/lsof", {"-nP", "-i", "-F", "pcnPT"}, "lsof", ListerFormat::lsof}},
        .systemPrefixes = {"/System/", "/usr/", "/sbin/", "/bin/", "/Library/Apple/"},
        .packagePaths = false,
        .appBundles = true,
        .helperInstalledPath = "/Library/LaunchDaemons/app.orvelle.nattervane.helper.plist",
        .helperStatusPath = "/Library/Application Support/Nattervane/status.txt",
        .helperUninstallPath = "/Library/Application Support/Nattervane/nv-uninstall.sh",
        .helperNamesPath = "",
        .bootIdPath = "",
        .eventsSocketPath = "",
        .journalSocketPath = "",
        .journalReaderGroups = {},
        .mountInfoPath = "",
        .publicSuffixListPath = "",
        .namingFolders = [] { return NamingFolders{}; },
        // Inside the application bundle first (Contents/MacOS -> Contents/Resources).
        .resourceDirs = {"../Resources", "../share/nattervane", "."},
        .xdgAutostart = false,
        .dataRoot = macDataRoot,
        .preferredLanguages = macLanguages,
        .executablePath = macExecutablePath,
        // Its allocator gives freed memory back by itself.
        .releaseFreedMemory = {},
    };
    return descriptor;
}

} // namespace platform
