#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "test_paths.h"

// The contents of a file in tests/data.
inline std::string fixture(const std::string& name) {
    std::ifstream file(std::string(TestPaths::data) + "/" + name, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}
