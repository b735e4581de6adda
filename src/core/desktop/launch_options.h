// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One picture of the window in snapshot mode: an appearance and a tab.
struct SnapshotJob {
    std::string appearance;
    bool dark = false;
    int tab = 0;

    bool operator==(const SnapshotJob&) const = default;

    // "<directory>/window-<appearance>-tab<tab>.png"
    std::string fileIn(std::string_view directory) const;
};

// What the command line and the environment ask of a launch.
namespace LaunchOptions {

// True for the exact word "--open" among the arguments, or NATTERVANE_OPEN exactly "1".
bool opensWindow(const std::vector<std::string>& arguments,
                 const std::optional<std::string>& openVariable);

// The first of `arguments` (the program's name left out) that the application does not take:
// anything but --open. Absent when there is none.
std::optional<std::string> unknownArgument(const std::vector<std::string>& arguments);

// True when Qt would have no display to open: neither DISPLAY nor WAYLAND_DISPLAY is set, and
// QT_QPA_PLATFORM names no plugin but xcb and wayland (or is unset, which picks one of those).
bool lacksDisplay(const std::optional<std::string>& platformVariable,
                  const std::optional<std::string>& display,
                  const std::optional<std::string>& waylandDisplay);

// Seconds to wait before the first snapshot: NATTERVANE_SNAPSHOT_WAIT as a decimal number, 20 when
// absent or not a finite number, and never below zero.
double snapshotWait(const std::optional<std::string>& waitVariable);

// Only NATTERVANE_SNAPSHOT_QUIT exactly "1" quits after the last snapshot file.
bool quitsAfterSnapshot(const std::optional<std::string>& quitVariable);

// The four tabs in the light appearance, then the four in the dark one.
std::vector<SnapshotJob> snapshotJobs();

// How to start the application: its options and the environment variables it reads.
std::string_view usage();

// The value of an environment variable, absent when unset.
std::optional<std::string> variable(const char* name);

} // namespace LaunchOptions
