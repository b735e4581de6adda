// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "base/lang.h"
#include "observe/scanner.h"

// Where the connections shown came from, as the window's footer and the command-line tool say it.
namespace SourceText {

// "kernel events + netlink" while the event service tells each connection; otherwise the lister
// alone, and why the events are missing.
std::string describe(const ScanSource& source, Lang lang);

} // namespace SourceText
