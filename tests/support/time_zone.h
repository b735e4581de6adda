#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// Sets TZ (e.g. a POSIX rule such as "XYZ-3", three hours east of UTC) for the scope.
class TimeZone {
  public:
    explicit TimeZone(const char* rule) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", rule, 1);
        tzset();
    }
    ~TimeZone() {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

  private:
    std::optional<std::string> previous_;
};
