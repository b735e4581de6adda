// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <set>
#include <string>

#include "base/lang.h"
#include "desktop/desktop.h"
#include "observe/connection.h"
#include "platform.h"
#include "policy/decision.h"

// What the user is told and asked about connections: each notice once until the journal is
// wiped, each question once a program and destination until a rule settles it; nothing while
// quiet.
class Notifier {
  public:
    // The buttons of the notices about a connection.
    enum class Choice { allow, block, details };
    struct Hooks {
        std::function<Lang()> lang;
        std::function<bool()> quiet;
        // The user chose a notice's button.
        std::function<void(const Connection&, Choice)> chosen;
    };

    Notifier(Desktop& desktop, platform::Wording wording, Hooks hooks);

    void notify(const std::string& id, const std::string& title, const std::string& body,
                const NoticeActions& actions = {});
    // The notice the Decider asked for about `connection`, with Allow, Block and Details.
    void post(const Decision::Notice& notice, const Connection& connection);
    // True the first time `connection`'s program and destination are to be asked about.
    bool questionDue(const Connection& connection);
    // A rule was set for it: asked again only once that rule is gone.
    void settled(const Connection& connection);
    // What the program's connection means, in the current language.
    std::string sentence(const Connection& connection) const;
    // Every notice may be given again.
    void forgetNotices() { notified_.clear(); }

  private:
    NoticeActions choices(const Connection& connection) const;

    Desktop& desktop_;
    platform::Wording wording_;
    Hooks hooks_;
    std::set<std::string> notified_;
    std::set<std::string> asked_;
};
