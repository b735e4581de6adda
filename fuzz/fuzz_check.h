// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// What the fuzz targets share: the input as text, and a check that stops the run (so the fuzzer
// keeps the input) when a property of a reader does not hold.
namespace FuzzCheck {

inline std::string_view text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property does not hold: %s\n", what);
    std::abort();
}

} // namespace FuzzCheck
