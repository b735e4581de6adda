// SPDX-License-Identifier: GPL-3.0-or-later
#include "export_command.h"

#include <ostream>

#include "app_channel.h"
#include "base/journal_socket.h"
#include "base/text.h"
#include "base/unusable_file.h"
#include "cli_options.h"
#include "platform.h"
#include "present/export_texts.h"
#include "store/settings.h"
#include "usage.h"

namespace ExportCommand {

namespace {

// Sets the switch in the settings file, holding the data folder's lock meanwhile; the other
// settings stay as the file has them.
Result<void> writeSwitch(const Paths& paths, bool on) {
    Result<FolderLock> lock = AppChannel::lockFolder(paths);
    if (!lock) return lock.error();
    SettingsReading reading = readSettings(paths.settingsFile());
    if (reading.problem)
        return Error{0, UnusableFile::warning(paths.settingsFile(), *reading.problem)};
    Settings settings = reading.settings.value_or(Settings{});
    settings.exportJournal = on;
    return writeSettings(paths.settingsFile(), settings);
}

// Through the running application, which keeps its settings in memory; else in the file.
Result<void> change(const Paths& paths, bool on) {
    if (std::optional<std::string> answer =
            AppChannel::send(paths, on ? "export on\n" : "export off\n")) {
        if (*answer == "ok") return {};
        return Error{0, "the application said: " + *answer};
    }
    return writeSwitch(paths, on);
}

} // namespace

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    CliOptions::Parser parser(options);
    std::optional<std::string> mode;
    std::optional<Lang> lang;
    while (std::optional<std::string> option = parser.next()) {
        if (*option == "--lang") {
            if (!(lang = CliOptions::lang(parser.value())))
                return Usage::fail(err, "export", "--lang takes en or ru");
        } else if (!mode && (*option == "on" || *option == "off" || *option == "status")) {
            mode = *option;
        } else {
            return Usage::fail(err, "export", "export takes one of on, off, status");
        }
    }
    if (!mode) return Usage::fail(err, "export", "export takes one of on, off, status");
    Paths paths;
    if (*mode != "status")
        if (Result<void> changed = change(paths, *mode == "on"); !changed) {
            err << "nattervane-cli: " << Text::escapedForTerminal(changed.error().message)
                << "; nothing changed\n";
            return 1;
        }
    const platform::Descriptor& platform = platform::current();
    const Settings settings = loadSettings(paths.settingsFile()).value_or(Settings{});
    const Lang words = lang.value_or(settings.lang());
    const JournalSocket socket(platform.journalSocketPath);
    out << ExportTexts::status(settings.exportJournal, socket.path(), socket.present(), words)
        << ExportTexts::readers(platform.journalReaderGroups, words) << "\n";
    return 0;
}

} // namespace ExportCommand
