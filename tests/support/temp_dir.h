#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/nv-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};
