// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/launch_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/text.h"

std::string SnapshotJob::fileIn(std::string_view directory) const {
    return std::string(directory) + "/window-" + appearance + "-tab" + std::to_string(tab) + ".png";
}

namespace LaunchOptions {

bool opensWindow(const std::vector<std::string>& arguments,
                 const std::optional<std::string>& openVariable) {
    return std::ranges::find(arguments, "--open") != arguments.end() || openVariable == "1";
}

std::optional<std::string> unknownArgument(const std::vector<std::string>& arguments) {
    auto unknown =
        std::ranges::find_if(arguments, [](const std::string& a) { return a != "--open"; });
    if (unknown == arguments.end()) return std::nullopt;
    return *unknown;
}

bool lacksDisplay(const std::optional<std::string>& platformVariable,
                  const std::optional<std::string>& display,
                  const std::optional<std::string>& waylandDisplay) {
    if (!display.value_or("").empty() || !waylandDisplay.value_or("").empty()) return false;
    // A list such as "wayland;xcb", each plugin perhaps with ":options".
    const std::string plugins = platformVariable.value_or("");
    for (std::string_view plugin : Text::split(plugins, ';')) {
        plugin = plugin.substr(0, plugin.find(':'));
        if (!plugin.empty() && plugin != "xcb" && !plugin.starts_with("wayland")) return false;
    }
    return true;
}

double snapshotWait(const std::optional<std::string>& waitVariable) {
    constexpr double fallback = 20;
    if (!waitVariable || waitVariable->empty()) return fallback;
    const std::string& text = *waitVariable;
    double seconds = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(seconds))
        return fallback;
    return std::max(seconds, 0.0);
}

bool quitsAfterSnapshot(const std::optional<std::string>& quitVariable) {
    return quitVariable == "1";
}

std::string_view usage() {
    return "usage: nattervane [--open]\n"
           "       nattervane -h|--help | -V|--version\n"
           "\n"
           "Shows in the status bar which programs talk to the network and to whom.\n"
           "  --open  open the window at launch (also when NATTERVANE_OPEN is 1)\n"
           "\n"
           "environment:\n"
           "  NATTERVANE_HOME           data folder (default $XDG_DATA_HOME/Nattervane)\n"
           "  NATTERVANE_SNAPSHOT=DIR   write pictures of the window and the menu into DIR\n"
           "  NATTERVANE_SNAPSHOT_WAIT  seconds before the first picture (default 20)\n"
           "  NATTERVANE_SNAPSHOT_QUIT  1: quit after the last picture\n";
}

std::vector<SnapshotJob> snapshotJobs() {
    std::vector<SnapshotJob> jobs;
    for (bool dark : {false, true})
        for (int tab = 0; tab < 4; ++tab)
            jobs.push_back({dark ? "dark" : "light", dark, tab});
    return jobs;
}

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

} // namespace LaunchOptions
