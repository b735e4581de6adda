#include "usage.h"

#include <ostream>

namespace Usage {

void print(std::ostream& out) {
    out << "usage: nattervane-cli COMMAND [OPTIONS]\n"
           "\n"
           "commands:\n"
           "  flows [--json]   list the network flows of this computer's programs now\n"
           "  journal [--days N] [--json]\n"
           "                   show the journal of the last N days (default 7), newest first\n"
           "  rules [--json]   show the rules kept in the data folder (read only)\n"
           "  help             show this summary\n";
}

int fail(std::ostream& err, const std::string& problem) {
    err << "nattervane-cli: " << problem << "\n\n";
    print(err);
    return 2;
}

} // namespace Usage
