// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

#include <QTest>

#include "base/paths.h"
#include "base/tool_runner.h"
#include "desktop/admin_command.h"
#include "desktop/desktop.h"
#include "model.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

// Records what the Model asks of the desktop and answers questions from a queue; with no answer
// queued a question is closed without a choice.
class FakeDesktop : public Desktop {
  public:
    void notify(const std::string& id, const std::string&, const std::string& body,
                const NoticeActions& actions) override {
        noticeIds.push_back(id);
        noticeBodies.push_back(body);
        noticeActions.push_back(actions);
    }
    std::optional<size_t> ask(const Question& question) override {
        questions.push_back(question);
        messages.push_back(question.message);
        // A real question runs an event loop of its own while it is open.
        if (whileAsking) whileAsking();
        if (answers.empty()) return std::nullopt;
        std::optional<size_t> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Kept, and run by bash as root would run them, unless `adminFailure` says the step cannot
    // run.
    Result<void> runAsAdmin(const std::vector<std::string>& words, const std::string&) override {
        commands.push_back(words);
        if (adminFailure) return *adminFailure;
        std::vector<std::string> argv{"/bin/bash"};
        argv.insert(argv.end(), words.begin(), words.end());
        return AdminCommand::outcome(
            ToolRunner::run(argv, {.errors = ToolRunner::ErrorOutput::kept, .timeout = 10}),
            std::nullopt);
    }
    void openUrl(const std::string& url) override { urls.push_back(url); }

    std::vector<std::string> noticeIds;
    std::vector<std::string> noticeBodies;
    std::vector<NoticeActions> noticeActions;
    std::vector<Question> questions;
    std::vector<std::string> messages;
    std::deque<std::optional<size_t>> answers;
    std::function<void()> whileAsking;
    std::vector<AdminCommand::Words> commands;
    std::optional<Error> adminFailure;
    std::vector<std::string> urls;
};

inline void writeExecutable(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    std::filesystem::permissions(path, std::filesystem::perms(0755));
}

// The real Model over a fake lister script, a fake clock, fake name lookups, a fake desktop and a
// temporary data root.
class ModelFixture {
  protected:
    std::unique_ptr<TempDir> dir;
    platform::Descriptor descriptor;
    std::shared_ptr<FakeDesktop> desktop;
    std::shared_ptr<Dates::TimePoint> now;
    std::string dataRoot;
    // Where the helper's install script is looked for, if anywhere.
    std::optional<std::string> helperSource;
    std::unique_ptr<Model> model;
    // What the fake reverse lookup answers, by address; set before the Model is made.
    std::shared_ptr<const std::map<std::string, std::string>> hostNames =
        std::make_shared<std::map<std::string, std::string>>();

    Paths paths() const { return Paths(dataRoot, descriptor); }

    // What the primary lister prints from now on.
    void listing(const std::string& text) { std::ofstream(*dir / "ss.out") << text; }

    void makeModel() {
        ModelOptions options;
        options.dataRoot = dataRoot;
        options.platform = &descriptor;
        // The fake ss script that `listing` fills, then a lister that lists nothing.
        options.scanner.listers = {{*dir / "ss", {}, "ss", platform::ListerFormat::ss},
                                   {"/bin/true", {}, "lsof", platform::ListerFormat::lsof}};
        options.scanner.pidPath = [](int32_t pid) {
            return pid == 7 ? std::optional<std::string>("/usr/sbin/syncd") : std::nullopt;
        };
        options.scanner.platform = &descriptor;
        // Absent unless a test makes them: never the machine's own service.
        options.scanner.eventsSocket = *dir / "events";
        options.questionsSocket = *dir / "questions";
        options.scanner.namesFile = *dir / "names";
        options.scanner.lookups = {[names = hostNames](const std::string& ip) {
                                       return names->contains(ip) ? std::optional(names->at(ip))
                                                                  : std::nullopt;
                                   },
                                   [](const std::string&) { return std::vector<std::string>(); }};
        options.clock = [now = now] { return *now; };
        options.witness = {};
        options.desktop = desktop;
        options.trackerList = *dir / "trackers.txt";
        options.orgTable = *dir / "orgs.txt";
        options.helperDir = [this] { return helperSource; };
        options.loginName = "o'tester";
        model = std::make_unique<Model>(std::move(options));
    }

    // Waits for the scan in flight to be applied.
    bool settled() {
        for (int i = 0; i < 500 && model->scanning(); ++i)
            QTest::qWait(10);
        return !model->scanning();
    }

    bool started() {
        makeModel();
        model->start();
        return settled();
    }

    bool scanned() {
        model->scan();
        return settled();
    }

    void setUp() {
        dir = std::make_unique<TempDir>();
        descriptor = platform::linux();
        descriptor.helperInstalledPath = *dir / "installed";
        descriptor.helperStatusPath = *dir / "status.txt";
        descriptor.helperUninstallPath = *dir / "nv-uninstall.sh";
        // Never the machine's own system journal.
        descriptor.journalSocketPath = *dir / "journal.socket";
        desktop = std::make_shared<FakeDesktop>();
        now = std::make_shared<Dates::TimePoint>(std::chrono::sys_days(2026y / 12 / 7) + 12h);
        dataRoot = *dir / "data";
        helperSource = *dir / "helper src";
        std::filesystem::create_directories(*helperSource);
        writeExecutable(*dir / "ss", "#!/bin/sh\ncat '" + (*dir / "ss.out") + "'\n");
        listing("");
        std::ofstream(*dir / "trackers.txt") << "# test list\np tracker.example\n";
    }

    void tearDown() {
        model.reset();
        dir.reset();
    }
};
