// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

// A modal question: a message, an informative text and its buttons, first button first.
struct Question {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons;

    bool operator==(const Question&) const = default;
};

// The buttons of a notification, each a key and its label, and what is done with the key of the
// one the user chooses.
struct NoticeActions {
    struct Button {
        std::string key;
        std::string label;
        bool operator==(const Button&) const = default;
    };
    std::vector<Button> buttons;
    std::function<void(const std::string& key)> chosen;
};

// What the application asks of the desktop it runs on. The application implements it for each
// system; tests implement it with fakes that record calls and answer questions.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // Posts one notification for immediate delivery; the outcome is not reported. Where the
    // desktop's notifications have buttons, it shows those of `actions` and reports the one
    // chosen; elsewhere they are left out.
    virtual void notify(const std::string& id, const std::string& title, const std::string& body,
                        const NoticeActions& actions = {}) = 0;
    // Brings the application to the front and asks modally; the index of the button chosen, or
    // absent when none was.
    virtual std::optional<size_t> ask(const Question& question) = 0;
    // Runs a program (the first word) with its arguments as administrator and waits for it; the
    // system asks for the password with `prompt` where it can. Fails with the reason when the
    // program could not be run so or failed; cancelling the password dialog is no failure.
    virtual Result<void> runAsAdmin(const std::vector<std::string>& words,
                                    const std::string& prompt) = 0;
    // Opens a web address in the browser.
    virtual void openUrl(const std::string& url) = 0;
};
