// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/journal_export.h"

#include <map>
#include <utility>

#include "present/explainer.h"
#include "present/export_texts.h"

using namespace std::chrono_literals;

namespace {

// The fields every record begins with.
std::string header(std::string_view id, std::string_view message) {
    std::string record;
    JournalSocket::append(record, "MESSAGE_ID", id);
    JournalSocket::append(record, "MESSAGE", message);
    record.append("PRIORITY=6\nSYSLOG_IDENTIFIER=nattervane\n");
    return record;
}

void field(std::string& record, std::string_view name, const std::optional<std::string>& value) {
    if (value) JournalSocket::append(record, name, *value);
}

// The unit of a program named by its systemd unit: "Description (unit)" or "unit".
std::optional<std::string> unitOf(const AppIdentity& app) {
    if (app.kind != AppIdentity::Kind::systemService && app.kind != AppIdentity::Kind::userService)
        return std::nullopt;
    const size_t open = app.name.rfind(" (");
    if (open == std::string::npos || !app.name.ends_with(')')) return app.name;
    return app.name.substr(open + 2, app.name.size() - open - 3);
}

// The fields of the program and destination of `connection`.
void connectionFields(std::string& record, const Connection& connection, const std::string& user) {
    JournalSocket::append(record, "NATTERVANE_PROGRAM", connection.app.name);
    field(record, "NATTERVANE_EXECUTABLE", connection.app.exePath);
    JournalSocket::append(record, "NATTERVANE_USER", connection.app.user.value_or(user));
    field(record, "NATTERVANE_UNIT", unitOf(connection.app));
    JournalSocket::append(record, "NATTERVANE_HOST", connection.dest());
    JournalSocket::append(record, "NATTERVANE_ADDRESS", connection.ip);
    JournalSocket::append(record, "NATTERVANE_PORT", std::to_string(connection.port));
    JournalSocket::append(record, "NATTERVANE_DIRECTION",
                          connection.incoming ? "incoming" : "outgoing");
    JournalSocket::append(record, "NATTERVANE_CATEGORY",
                          Categories::name(connection.verdict.category));
    field(record, "NATTERVANE_COMPANY", connection.verdict.company);
    field(record, "NATTERVANE_LISTED_DOMAIN", connection.verdict.listed);
}

void ruleFields(std::string& record, const Rule& rule, std::string_view action) {
    JournalSocket::append(record, "NATTERVANE_RULE", rule.target);
    JournalSocket::append(record, "NATTERVANE_ACTION", action);
    field(record, "NATTERVANE_RULE_PROGRAM", rule.program);
    field(record, "NATTERVANE_PROGRAM", rule.app);
}

using RuleKey = std::pair<std::string, std::optional<std::string>>;

std::map<RuleKey, const Rule*> byPlace(const RuleSet& rules) {
    std::map<RuleKey, const Rule*> places;
    for (const Rule& rule : rules.rules)
        places.emplace(RuleKey{rule.target, rule.program}, &rule);
    return places;
}

} // namespace

void JournalExport::setOn(bool on) {
    // Turned on again, entries start anew: what happened while off is not written.
    if (on && !on_) last_.clear();
    on_ = on;
}

bool JournalExport::due(const Last& last, const JournalEntry& entry, Dates::TimePoint now) {
    constexpr int64_t leastGrowth = 64 * 1024;
    const int64_t bytes = entry.bytesIn + entry.bytesOut;
    if (entry.blocked && !last.blocked) return true;
    if (bytes >= 2 * last.bytes && bytes >= last.bytes + leastGrowth) return true;
    return bytes != last.bytes && now - last.at >= 1h;
}

void JournalExport::entry(const Connection& connection, const JournalEntry& entry, Lang lang,
                          platform::Wording wording, Dates::TimePoint now) {
    if (!on_) return;
    if (entry.day != day_) {
        last_.clear();
        day_ = entry.day;
    }
    const auto [found, first] = last_.try_emplace(entry.id());
    if (!first && !due(found->second, entry, now)) return;
    found->second = {entry.bytesIn + entry.bytesOut, entry.blocked, now};
    std::string record = header(connectionId, Explainer::sentence(connection, lang, wording));
    connectionFields(record, connection, user_);
    JournalSocket::append(record, "NATTERVANE_BYTES_IN", std::to_string(entry.bytesIn));
    JournalSocket::append(record, "NATTERVANE_BYTES_OUT", std::to_string(entry.bytesOut));
    JournalSocket::append(record, "NATTERVANE_BLOCKED", entry.blocked ? "yes" : "no");
    field(record, "NATTERVANE_RULE", entry.ruleTarget);
    field(record, "NATTERVANE_RULE_PROGRAM", entry.ruleProgram);
    send(record);
}

void JournalExport::rules(const RuleSet& before, const RuleSet& after, Lang lang) {
    if (!on_) return;
    const auto was = byPlace(before), is = byPlace(after);
    for (const auto& [place, rule] : is)
        if (auto old = was.find(place); old == was.end() || old->second->action != rule->action) {
            std::string record = header(
                ruleId, ExportTexts::ruleSentence(rule->target, rule->program, rule->action, lang));
            ruleFields(record, *rule, RuleActions::name(rule->action));
            send(record);
        }
    for (const auto& [place, rule] : was)
        if (!is.contains(place)) {
            std::string record = header(
                ruleId, ExportTexts::ruleSentence(rule->target, rule->program, std::nullopt, lang));
            ruleFields(record, *rule, "removed");
            send(record);
        }
}

void JournalExport::answer(const Connection& connection, const std::optional<std::string>& answer,
                           Lang lang) {
    if (!on_) return;
    std::string record =
        header(answerId,
               ExportTexts::answerSentence(connection.app.name, connection.dest(), answer, lang));
    connectionFields(record, connection, user_);
    JournalSocket::append(record, "NATTERVANE_ANSWER", answer.value_or(""));
    send(record);
}

void JournalExport::send(const std::string& record) {
    refusing_ = !socket_.send(record);
    ++(refusing_ ? refused_ : sent_);
}
