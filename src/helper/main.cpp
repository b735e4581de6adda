// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <variant>

#include "base/program_info.h"
#include "firewall_backend.h"
#include "helper.h"
#include "helper_options.h"

int main(int argc, char** argv) {
    const platform::Descriptor& platform = platform::current();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (auto status =
            ProgramInfo::answer(arguments, "nattervane-helper", HelperOptions::usage(), std::cout))
        return *status;
    auto parsed = HelperOptions::parse(arguments, platform);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "nattervane-helper: " << *error << "\n"
                  << HelperOptions::shortUsage(arguments);
        return 2;
    }
    return Helper::run(std::get<HelperOptions>(parsed), FirewallBackend::forPlatform(platform),
                       std::cout, std::cerr);
}
