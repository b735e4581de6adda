// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/dates.h"
#include "base/journal_socket.h"
#include "base/lang.h"
#include "observe/connection.h"
#include "platform.h"
#include "store/journal_entry.h"
#include "store/rule_set.h"

// The journal written to the system journal as well, while the user's switch is on, for the tools
// that gather logs from several computers; Nattervane itself sends nothing anywhere. Every record
// has a fixed MESSAGE_ID, SYSLOG_IDENTIFIER=nattervane, PRIORITY=6, a sentence in the user's
// language as MESSAGE and NATTERVANE_* fields. Only what happens while the switch is on is
// written; nothing of before.
class JournalExport {
  public:
    // A journal entry made, or its counts changed much (see `due`).
    static constexpr std::string_view connectionId = "055a4303ddf34ad5be35671ad94e473f";
    // A rule set, changed or removed.
    static constexpr std::string_view ruleId = "e88b0662301546699adb839c3482f321";
    // A question about a connection answered.
    static constexpr std::string_view answerId = "a3311bf14491481eb4621afa7b557135";

    // Records go to the journal socket at `socketPath`; NATTERVANE_USER is `user` for programs of
    // no other known user.
    JournalExport(std::string socketPath, std::string user)
        : socket_(std::move(socketPath)), user_(std::move(user)) {}

    void setOn(bool on);
    bool on() const { return on_; }

    // After the journal recorded `connection` into `entry`: a record with the entry's counts when
    // the entry has none yet or one is `due`.
    void entry(const Connection& connection, const JournalEntry& entry, Lang lang,
               platform::Wording wording, Dates::TimePoint now);
    // One record for every rule of `after` that `before` did not hold with the same action, and
    // one for every rule `before` held that `after` does not.
    void rules(const RuleSet& before, const RuleSet& after, Lang lang);
    // A question about `connection` answered with the button `answer` (absent: closed).
    void answer(const Connection& connection, const std::optional<std::string>& answer, Lang lang);

    // What the last record of an entry held.
    struct Last {
        int64_t bytes = 0;
        bool blocked = false;
        Dates::TimePoint at;
    };
    // A new record of an entry is due when it became blocked, when its bytes (in and out) at
    // least doubled and grew by 64 KiB or more, or when they changed at all an hour or more after
    // its last record. Not once a scan: a long download makes a few dozen records, not thousands.
    static bool due(const Last& last, const JournalEntry& entry, Dates::TimePoint now);

    // Records sent, and records the socket refused (not there, or its queue full).
    size_t sent() const { return sent_; }
    size_t refused() const { return refused_; }
    // The socket refused the last record.
    bool refusing() const { return refusing_; }
    const JournalSocket& socket() const { return socket_; }

  private:
    void send(const std::string& record);

    JournalSocket socket_;
    std::string user_;
    bool on_ = false;
    // The last record of each entry of `day_`, by JournalEntry::id.
    std::unordered_map<std::string, Last> last_;
    std::string day_;
    size_t sent_ = 0;
    size_t refused_ = 0;
    bool refusing_ = false;
};
