// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli classify IP [HOST]`: the verdict and sentence for one address.
namespace ClassifyCommand {

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace ClassifyCommand
