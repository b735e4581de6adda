// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart_command.h"

#include <ostream>

#include <unistd.h>

#include "desktop/autostart.h"
#include "desktop/launch_options.h"
#include "platform.h"
#include "usage.h"

namespace AutostartCommand {

namespace {

int report(const std::string& path, std::ostream& out) {
    if (Autostart::isOn(path))
        out << "autostart is on: " << path << "\n";
    else
        out << "autostart is off\n";
    return 0;
}

} // namespace

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    if (options.size() != 1 ||
        (options[0] != "on" && options[0] != "off" && options[0] != "status"))
        return Usage::fail(err, "autostart", "autostart takes one of on, off, status");
    const platform::Descriptor& platform = platform::current();
    if (!platform.xdgAutostart) {
        err << "nattervane-cli: add Nattervane under System Settings > General > Login Items\n";
        return 1;
    }
    auto path =
        Autostart::entryPath(LaunchOptions::variable("XDG_CONFIG_HOME"), platform::homeDirectory());
    if (!path) {
        err << "nattervane-cli: no home folder to keep the autostart entry in\n";
        return 1;
    }
    const std::string executable = platform.executablePath(getpid()).value_or("");
    const bool on = options[0] == "on";
    const std::string program =
        Autostart::program(Autostart::besideTool(executable), LaunchOptions::variable("PATH"));
    Result<void> changed = on                    ? Autostart::enable(*path, program)
                           : options[0] == "off" ? Autostart::disable(*path)
                                                 : Result<void>{};
    if (!changed) {
        err << "nattervane-cli: cannot " << (on ? "write " : "remove ") << *path << ": "
            << changed.error().message << "\n";
        return 1;
    }
    return report(*path, out);
}

} // namespace AutostartCommand
