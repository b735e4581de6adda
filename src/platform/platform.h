// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Some GNU dialects predefine `linux` as a macro; it would swallow the descriptor's name.
#ifdef linux
#undef linux
#endif

namespace platform {

// How the text a lister prints is to be read. `ss` takes the processes from the users:(...)
// part that `ss -p` prints; `ssInodes` reads `ss -e` and finds the processes holding each socket
// inode itself, since `ss -p` prints program names unescaped and one could forge that part.
// `sockDiag` runs no program: the kernel's socket table is read in-process over netlink, and the
// processes are found from the inodes as for `ssInodes`.
enum class ListerFormat { nettop, ss, ssInodes, lsof, sockDiag };

// Which variant of the user-visible texts names this operating system ("this Mac" or
// "this computer", "macOS service" or "system service", pf or nftables).
enum class Wording { macos, linux };

// A connection lister: program file and fixed argument list (none for `sockDiag`), the name
// reported as the source, and how its output is read.
struct ToolCommand {
    std::string path;
    std::vector<std::string> arguments;
    std::string source;
    ListerFormat format = ListerFormat::lsof;
    double timeout = 8.0;

    bool operator==(const ToolCommand&) const = default;
};

// Where the files that name what runs are kept, each list searched in order: systemd's unit files
// of the system and of the user, and the desktop's application entries.
struct NamingFolders {
    std::vector<std::string> systemUnits;
    std::vector<std::string> userUnits;
    std::vector<std::string> applications;

    bool operator==(const NamingFolders&) const = default;
};

// The facts that differ per operating system. Code takes them from here, never from #ifdef.
struct Descriptor {
    std::string name;
    Wording wording = Wording::macos;
    // The connection listers, tried in order until one answers.
    std::vector<ToolCommand> listers;
    // Executables under these prefixes belong to the operating system.
    std::vector<std::string> systemPrefixes;
    // Sandboxed package layouts (snap, Flatpak) name the program by its package.
    bool packagePaths = false;
    // A program inside a folder "NAME.app" is named NAME, after its application bundle. Only where
    // the system keeps bundles: elsewhere any program could take another's name by its folder.
    bool appBundles = false;
    // Installed-marker, status file and uninstall script of the privileged helper; without that
    // script (an installation that ships its own) the one beside the install script is run.
    std::string helperInstalledPath;
    std::string helperStatusPath;
    std::string helperUninstallPath;
    // Where the helper publishes which name each address was looked up under; empty: nowhere.
    std::string helperNamesPath;
    // The file that names the system's current start (see Dates::uptime); empty: none.
    std::string bootIdPath;
    // The event service's socket, which tells each connection as it is made; empty: none.
    std::string eventsSocketPath;
    // The socket of the system journal's namespace that Nattervane's records go to, and the groups
    // the system lets read that journal besides root; empty: no system journal.
    std::string journalSocketPath;
    std::vector<std::string> journalReaderGroups;
    // The table of mounts, where the cgroup (v2) hierarchy is found; empty: no cgroups.
    std::string mountInfoPath;
    // The system's public suffix list, for naming a host's registrable domain; empty: none.
    std::string publicSuffixListPath;
    // Where units and applications are named, for sockets whose process cannot be read.
    std::function<NamingFolders()> namingFolders;
    // Folders, relative to the program's own folder, that may hold the shipped resources (tracker
    // list, helper scripts), in the order they are tried.
    std::vector<std::string> resourceDirs;
    // Whether start at login is an XDG autostart entry (otherwise a step the user takes).
    bool xdgAutostart = false;
    // Default data root (before any NATTERVANE_HOME override).
    std::function<std::string()> dataRoot;
    // The user's preferred language tags, most preferred first.
    std::function<std::vector<std::string>()> preferredLanguages;
    // Raw bytes of a process's executable path, absent when the system does not tell.
    std::function<std::optional<std::string>(int32_t pid)> executablePath;
    // Gives the memory the process freed back to the system, where its allocator keeps it;
    // empty where it returns it by itself.
    std::function<void()> releaseFreedMemory;
};

const Descriptor& macos();
const Descriptor& linux();
// The descriptor of the system this build runs on.
const Descriptor& current();

// The user's home directory: $HOME, else the password database.
std::string homeDirectory();
// The login name of the user running the program: the password database, else $USER.
std::string loginName();

} // namespace platform
