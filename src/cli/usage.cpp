// SPDX-License-Identifier: GPL-3.0-or-later
#include "usage.h"

#include <ostream>

namespace Usage {

std::string text() {
    return "usage: nattervane-cli COMMAND [OPTIONS]\n"
           "       nattervane-cli --help | --version\n"
           "\n"
           "commands:\n"
           "  scan [--local] [--json] [--lang en|ru] [--wait SECONDS]\n"
           "                   who each program talks to now, worst first; scans again after\n"
           "                   SECONDS (default 1.5) so that host names show\n"
           "  classify IP [HOST] [--app NAME] [--lang en|ru] [--json]\n"
           "                   who is behind one address\n"
           "  flows [--json]   list the network flows of this computer's programs now\n"
           "  flows --watch SECONDS [--count N]\n"
           "                   a table of the programs online and what each receives and sends\n"
           "                   a second, drawn anew every SECONDS (N times, or until Ctrl+C)\n"
           "  watch [--count N] [--local] [--json] [--lang en|ru]\n"
           "                   each connection as it is made: its program, where to and who is\n"
           "                   behind it (N of them, or until Ctrl+C)\n"
           "  journal [--days N] [--json]\n"
           "                   show the journal of the last N days (default 7), newest first\n"
           "  rules [--json]   show the rules kept in the data folder (read only)\n"
           "  rules set TARGET allow|block|ask [--program PATH]\n"
           "  rules remove TARGET [--program PATH]\n"
           "                   set or remove the rule for a domain or address (TARGET * with\n"
           "                   --program: everything the program reaches), for every program or\n"
           "                   the one at PATH; through the running application, else in the file\n"
           "  autostart on|off|status\n"
           "                   start the application at login, or not; or say which\n"
           "  help             show this summary\n";
}

void print(std::ostream& out) {
    out << text();
}

int fail(std::ostream& err, const std::string& problem) {
    err << "nattervane-cli: " << problem << "\n\n";
    print(err);
    return 2;
}

} // namespace Usage
