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
        return Usage::fail(err, "autostart takes one of on, off, status");
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
    std::string error;
    const std::string executable = platform.executablePath(getpid()).value_or("");
    if (options[0] == "on" && !Autostart::enable(*path, Autostart::program(executable), error)) {
        err << "nattervane-cli: cannot write " << *path << ": " << error << "\n";
        return 1;
    }
    if (options[0] == "off" && !Autostart::disable(*path, error)) {
        err << "nattervane-cli: cannot remove " << *path << ": " << error << "\n";
        return 1;
    }
    return report(*path, out);
}

} // namespace AutostartCommand
