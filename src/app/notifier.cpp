// SPDX-License-Identifier: GPL-3.0-or-later
#include "notifier.h"

#include "present/app_texts.h"
#include "present/explainer.h"
#include "present/question_texts.h"

namespace {

std::string questionKey(const Connection& connection) {
    return connection.app.name + "|" + connection.dest();
}

} // namespace

Notifier::Notifier(Desktop& desktop, platform::Wording wording, Hooks hooks)
    : desktop_(desktop), wording_(wording), hooks_(std::move(hooks)) {}

void Notifier::notify(const std::string& id, const std::string& title, const std::string& body,
                      const NoticeActions& actions) {
    if (hooks_.quiet() || !notified_.insert(id).second) return;
    desktop_.notify(id, title, body, actions);
}

NoticeActions Notifier::choices(const Connection& connection) const {
    using QuestionTexts::Key;
    const Lang lang = hooks_.lang();
    const auto button = [lang](const char* key, Key label) {
        return NoticeActions::Button{key, QuestionTexts::text(label, lang)};
    };
    return {{button("allow", Key::allowButton), button("block", Key::blockButton),
             button("details", Key::details)},
            [chosen = hooks_.chosen, connection](const std::string& key) {
                if (key == "allow") chosen(connection, Choice::allow);
                if (key == "block") chosen(connection, Choice::block);
                if (key == "details") chosen(connection, Choice::details);
            }};
}

void Notifier::post(const Decision::Notice& notice, const Connection& connection) {
    const Lang lang = hooks_.lang();
    if (notice.kind == Decision::Notice::Kind::blockedNew)
        notify(notice.key, AppTexts::blockedTitle(lang),
               AppTexts::blockedBody(connection.app.name, connection.dest(), lang),
               choices(connection));
    else
        notify(notice.key, AppTexts::trackerTitle(), sentence(connection), choices(connection));
}

bool Notifier::questionDue(const Connection& connection) {
    return asked_.insert(questionKey(connection)).second;
}

void Notifier::settled(const Connection& connection) {
    asked_.erase(questionKey(connection));
}

std::string Notifier::sentence(const Connection& connection) const {
    return Explainer::sentence(connection, hooks_.lang(), wording_);
}
