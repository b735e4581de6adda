// SPDX-License-Identifier: GPL-3.0-or-later
// Writes records through JournalExport to a journal socket, for the test with a real journald:
// COUNT connection records (hosts h0.example …), one rule record and one answer record.
// Usage: journal_writer SOCKET COUNT
#include <chrono>
#include <iostream>
#include <string>

#include "present/journal_export.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: journal_writer SOCKET COUNT\n";
        return 2;
    }
    JournalExport exporter(argv[1], "tester");
    exporter.setOn(true);
    Connection connection;
    connection.app = {"Line\nbreak", std::nullopt, "/usr/bin/fetcher"};
    connection.app.user = "tester";
    connection.ip = "192.0.2.9";
    connection.port = 443;
    connection.verdict = {Category::analytics, "Example Analytics", "example"};
    const auto now = std::chrono::system_clock::now();
    for (int i = 0; i < std::stoi(argv[2]); ++i) {
        connection.host = "h" + std::to_string(i) + ".example";
        JournalEntry entry;
        entry.day = "2026-12-10";
        entry.app = connection.app.name;
        entry.dest = *connection.host;
        entry.bytesIn = 1000 + i;
        entry.bytesOut = 2000;
        entry.blocked = true;
        entry.ruleTarget = "example";
        exporter.entry(connection, entry, Lang::en, platform::Wording::linux, now);
    }
    RuleSet rules;
    rules.rules.push_back(
        Rule::make("example", "fetcher", RuleAction::block, {}, std::nullopt, "/usr/bin/fetcher"));
    exporter.rules({}, rules, Lang::en);
    exporter.answer(connection, "Block", Lang::en);
    std::cout << "sent=" << exporter.sent() << " refused=" << exporter.refused() << "\n";
    return exporter.refused() == 0 ? 0 : 1;
}
