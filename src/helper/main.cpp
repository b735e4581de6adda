#include <iostream>
#include <variant>

#include "firewall_backend.h"
#include "helper.h"
#include "helper_options.h"

int main(int argc, char** argv) {
    const platform::Descriptor& platform = platform::current();
    auto parsed = HelperOptions::parse(std::vector<std::string>(argv + 1, argv + argc), platform);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "nattervane-helper: " << *error << "\n" << helperUsage;
        return 2;
    }
    return Helper::run(std::get<HelperOptions>(parsed), FirewallBackend::forPlatform(platform),
                       std::cout, std::cerr);
}
