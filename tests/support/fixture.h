// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "test_paths.h"

// The contents of a file in tests/data. A missing file throws, failing the test, so that a test
// of what garbage gives never passes on an empty text instead.
inline std::string fixture(const std::string& name) {
    const std::string path = std::string(TestPaths::data) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("missing test data file " + path);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}
