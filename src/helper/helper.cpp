#include "helper.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include "atomic_file.h"
#include "block_file.h"
#include "command_runner.h"
#include "hosts_block.h"

namespace Helper {

namespace {

namespace fs = std::filesystem;

constexpr const char* blockFileNames[] = {"block_ips.txt", "block_domains.txt"};

// Root's files, and those of the installing user (by default the one running the helper).
std::optional<std::vector<uid_t>> owners(const HelperOptions& options) {
    if (!options.user) return std::vector<uid_t>{0, geteuid()};
    const passwd* entry = getpwnam(options.user->c_str());
    if (!entry) return std::nullopt;
    return std::vector<uid_t>{0, entry->pw_uid};
}

// The valid lines of both block files. Missing and refused files count as empty.
std::optional<BlockLines::Entries>
readEntries(const HelperOptions& options, const std::vector<uid_t>& allowed, std::ostream& err) {
    BlockLines::Entries entries;
    int directory = open(options.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A directory that is not there (a home not mounted yet) changes nothing, rather than
    // taking every rule away.
    if (directory < 0) {
        err << "nattervane-helper: " << options.directory << ": " << std::strerror(errno) << "\n";
        return std::nullopt;
    }
    std::string texts[2];
    for (int i = 0; i < 2; ++i) {
        BlockFile file = BlockFile::open(directory, blockFileNames[i], allowed);
        if (!file.problem().empty()) err << "nattervane-helper: refused " << file.problem() << "\n";
        BlockFile::Contents contents = file.read(maxBlockFileBytes);
        entries.rejected += contents.cut;
        texts[i] = std::move(contents.text);
    }
    close(directory);
    BlockLines::add(entries, texts[0], texts[1]);
    return entries;
}

bool runFirewall(const std::vector<std::string>& command, const std::string& script,
                 std::ostream& err) {
    CommandResult result = runCommand(command, script);
    if (result.status == 0) return true;
    err << "nattervane-helper: " << command[0] << " failed (status " << result.status << ")\n"
        << result.output;
    return false;
}

// Rewrites the marked block of the hosts file, only when it changes, and flushes the name cache
// when the file is the system's.
bool updateHosts(const HelperOptions& options, const FirewallBackend& firewall,
                 const std::vector<std::string>& domains, std::ostream& err) {
    std::error_code ignored;
    // A hosts file that is a link is changed where it points, so the link stays.
    fs::path path = fs::weakly_canonical(options.hostsFile, ignored);
    if (path.empty()) path = options.hostsFile;
    bool exists = fs::exists(path, ignored);
    std::optional<std::string> current = exists ? AtomicFile::read(path) : std::string();
    if (!current) {
        err << "nattervane-helper: cannot read " << path.string() << "\n";
        return false;
    }
    std::optional<std::string> merged = HostsBlock::merge(*current, domains);
    if (!merged) {
        err << "nattervane-helper: left " << path.string()
            << " unchanged: its nattervane marker lines do not form one block\n";
        return false;
    }
    if (*merged == *current) return true;
    std::string error;
    if (!AtomicFile::write(path, *merged, &error)) {
        err << "nattervane-helper: " << error << "\n";
        return false;
    }
    if (!options.hostsGiven)
        for (const auto& command : firewall.flushCommands)
            runCommand(command, "");
    return true;
}

bool writeStatus(const std::string& path, const std::string& line, std::ostream& err) {
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    std::string error;
    if (AtomicFile::write(path, line + "\n", &error)) return true;
    err << "nattervane-helper: " << error << "\n";
    return false;
}

int apply(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
          std::ostream& err) {
    auto allowed = owners(options);
    if (!allowed) {
        err << "nattervane-helper: no user " << *options.user << "\n";
        return 2;
    }
    auto entries = readEntries(options, *allowed, err);
    if (!entries) return 1;
    std::string script = firewall.applyScript(*entries);
    std::string status = BlockLines::statusLine(*entries);
    if (options.dryRun) {
        out << script << status << "\n";
        return 0;
    }
    // The hosts file and the status change only once the firewall took the new rules, so
    // a failure leaves the previous state everywhere.
    if (!runFirewall(firewall.applyCommand, script, err)) return 1;
    firewall.afterApply();
    if (!updateHosts(options, firewall, entries->domains, err)) return 1;
    return writeStatus(options.statusFile, status, err) ? 0 : 1;
}

int remove(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
           std::ostream& err) {
    if (options.dryRun) {
        out << firewall.removeScript;
        return 0;
    }
    // Undo as much as possible even when one step fails.
    bool removed = runFirewall(firewall.removeCommand, firewall.removeScript, err);
    firewall.afterRemove();
    removed = updateHosts(options, firewall, {}, err) && removed;
    if (unlink(options.statusFile.c_str()) != 0 && errno != ENOENT) {
        err << "nattervane-helper: cannot remove " << options.statusFile << ": "
            << std::strerror(errno) << "\n";
        removed = false;
    }
    return removed ? 0 : 1;
}

} // namespace

int run(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
        std::ostream& err) {
    return options.command == HelperOptions::Command::apply ? apply(options, firewall, out, err)
                                                            : remove(options, firewall, out, err);
}

} // namespace Helper
