// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// Sets an environment variable, or clears it when given no value, for the life of the object.
// Time zones follow TZ at once (a POSIX rule such as "XYZ-3" is three hours east of UTC).
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void set(const char* value) {
        value ? setenv(name_, value, 1) : unsetenv(name_);
        tzset();
    }

    const char* name_;
    std::optional<std::string> old_;
};
