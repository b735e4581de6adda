// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// dnsmasq's query log (`log-queries`), line by line: which name each answered address was for.
namespace DnsLog {

struct Answer {
    std::string address;
    std::string name;

    bool operator==(const Answer&) const = default;
};

// Reads the lines of one log in order. An answer that went through CNAMEs is given the name the
// program asked for (the head of the chain), not the delivery network's name at its end. Only a
// valid address and a valid domain make an answer; every other line is ignored.
class Reader {
  public:
    // The answer of `line` (without its line break), if it holds one.
    std::optional<Answer> line(std::string_view line);

  private:
    // The name asked for, while a CNAME chain goes on; `next` is true right after a CNAME line.
    std::string head_;
    std::string current_;
    bool next_ = false;
};

} // namespace DnsLog
