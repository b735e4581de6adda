// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "block_file.h"
#include "dns_block.h"
#include "events_service.h"
#include "hosts_file.h"
#include "names_service.h"
#include "status_file.h"

namespace Helper {

namespace {

namespace fs = std::filesystem;

constexpr const char* blockFileNames[] = {"block_ips.txt", "block_domains.txt"};

// The installing user: the one named, else the one running the helper.
std::optional<uid_t> owner(const HelperOptions& options) {
    if (!options.user) return geteuid();
    const passwd* entry = getpwnam(options.user->c_str());
    if (!entry) return std::nullopt;
    return entry->pw_uid;
}

// The valid lines of both block files. Missing and refused files count as empty; each refusal
// becomes a note.
std::optional<BlockLines::Entries> readEntries(const HelperOptions& options, uid_t allowed,
                                               std::vector<std::string>& notes) {
    BlockLines::Entries entries;
    OwnedFd directory(open(options.directory.c_str(),
                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    // A directory that is not there (a home not mounted yet) changes nothing, rather than
    // taking every rule away.
    if (!directory) {
        notes.push_back("not applied: " + options.directory + ": " + std::strerror(errno));
        return std::nullopt;
    }
    std::string texts[2];
    for (int i = 0; i < 2; ++i) {
        Result<BlockFile> file =
            BlockFile::open(directory.get(), blockFileNames[i], allowed, maxBlockFileBytes);
        if (!file) {
            notes.push_back("refused " + file.error().message);
            continue;
        }
        // A file that grew past the limit after it was examined is cut; the rest is refused.
        BlockFile::Contents contents = file->read(maxBlockFileBytes);
        entries.rejected += contents.cut;
        texts[i] = std::move(contents.text);
    }
    BlockLines::add(entries, texts[0], texts[1]);
    return entries;
}

bool runFirewall(const std::vector<std::string>& command, const std::string& script,
                 std::ostream& err) {
    Result<ToolRunner::Outcome> result =
        ToolRunner::run(command, FirewallBackend::commandOptions(script));
    if (result && result->status == 0) return true;
    err << "nattervane-helper: ";
    if (!result)
        err << result.error().message << "\n";
    else if (result->status < 0)
        err << command[0] << " did not finish\n" << result->output;
    else
        err << command[0] << " failed (status " << result->status << ")\n" << result->output;
    return false;
}

// Rewrites the marked block of the hosts file when it changes, and flushes the name cache when
// the file is the system's. The reason it was left alone becomes a note.
bool updateHosts(const HelperOptions& options, const FirewallBackend& firewall,
                 const std::vector<std::string>& domains, std::vector<std::string>& notes) {
    Result<HostsFile::Change> updated = HostsFile::update(options.hostsFile, domains, geteuid());
    if (!updated) notes.push_back("hosts not changed: " + updated.error().message);
    if (updated && *updated == HostsFile::Change::rewritten && !options.hostsGiven)
        // A cache that is not flushed only answers from the old file until its entries expire.
        for (const auto& command : firewall.flushCommands)
            static_cast<void>(ToolRunner::run(command, FirewallBackend::commandOptions()));
    return updated.ok();
}

constexpr const char* dnsmasq = "/usr/sbin/dnsmasq";

// The domains that go to the hosts file. In a DNS mode every domain goes to the servers-file
// first, so dnsmasq blocks them before the hosts file lets go of the listed ones; the hosts file
// keeps the user's own, whose exact names then also hold when dnsmasq is down. Without dnsmasq,
// or when the servers-file cannot be written, everything goes to the hosts file as before and
// `mode` becomes hosts.
std::vector<std::string> hostsDomains(const HelperOptions& options,
                                      const std::vector<std::string>& domains, DnsBlock::Mode& mode,
                                      std::vector<std::string>& notes) {
    mode = options.dnsMode;
    if (mode == DnsBlock::Mode::hosts) return domains;
    if (access(dnsmasq, X_OK) != 0) {
        notes.push_back("dnsmasq not found: blocked domains go to the hosts file");
        mode = DnsBlock::Mode::hosts;
        return domains;
    }
    Result<void> written =
        DnsBlock::writeIfChanged(options.serversFile, DnsBlock::serversFile(domains));
    if (!written) {
        notes.push_back("DNS block not changed: " + written.error().message);
        mode = DnsBlock::Mode::hosts;
        return domains;
    }
    auto listed = AtomicFile::read(options.listedFile);
    if (!listed) notes.push_back("no tracker list (" + listed.error().message + ")");
    return DnsBlock::ownDomains(domains, listed.value_or(""));
}

bool writeStatus(const HelperOptions& options, const std::string& counts,
                 const std::vector<std::string>& notes, std::ostream& err) {
    for (const std::string& note : notes)
        err << "nattervane-helper: " << StatusFile::escapeNote(note) << "\n";
    std::error_code ignored;
    fs::create_directories(fs::path(options.statusFile).parent_path(), ignored);
    // The application reads the status as the user, whatever umask the service runs with.
    Result<void> written = AtomicFile::write(options.statusFile, StatusFile::text(counts, notes));
    if (written && chmod(options.statusFile.c_str(), 0644) == 0) return true;
    err << "nattervane-helper: "
        << (written ? "cannot make " + options.statusFile + " readable" : written.error().message)
        << "\n";
    return false;
}

// The counts the previous run put in force, which stay when this one cannot apply.
std::string countsInForce(const HelperOptions& options) {
    return StatusFile::previousCounts(AtomicFile::read(options.statusFile).value_or(""));
}

int apply(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
          std::ostream& err) {
    auto allowed = owner(options);
    if (!allowed) {
        err << "nattervane-helper: no user " << *options.user << "\n";
        return 2;
    }
    std::vector<std::string> notes;
    auto entries = readEntries(options, *allowed, notes);
    if (!entries) {
        writeStatus(options, countsInForce(options), notes, err);
        return 1;
    }
    std::string script = firewall.applyScript(*entries);
    if (options.dryRun) {
        out << script << BlockLines::statusLine(*entries) << "\n";
        return 0;
    }
    // Packet filters load a script in one transaction: when it fails the previous rules stay,
    // and so do the hosts file and the counts, which keeps the three consistent.
    if (!runFirewall(firewall.applyCommand, script, err)) {
        notes.push_back("not applied: the firewall refused the new rules; the previous rules "
                        "stay in force");
        writeStatus(options, countsInForce(options), notes, err);
        return 1;
    }
    firewall.afterApply();
    DnsBlock::Mode mode = DnsBlock::Mode::hosts;
    std::vector<std::string> inHosts = hostsDomains(options, entries->domains, mode, notes);
    bool hosts = updateHosts(options, firewall, inHosts, notes);
    // Without the hosts block only the domains dnsmasq blocks are in force.
    size_t dnsOnly = entries->domains.size() - inHosts.size();
    if (!hosts) entries->domains.resize(mode == DnsBlock::Mode::hosts ? 0 : dnsOnly);
    std::string counts = BlockLines::statusLine(*entries) +
                         " dns=" + std::string(DnsBlock::name(mode)) +
                         " hosts=" + std::to_string(hosts ? inHosts.size() : 0);
    bool written = writeStatus(options, counts, notes, err);
    return hosts && written ? 0 : 1;
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
    std::vector<std::string> notes;
    removed = updateHosts(options, firewall, {}, notes) && removed;
    if (unlink(options.serversFile.c_str()) != 0 && errno != ENOENT) {
        err << "nattervane-helper: cannot remove " << options.serversFile << ": "
            << std::strerror(errno) << "\n";
        removed = false;
    }
    for (const std::string& note : notes)
        err << "nattervane-helper: " << StatusFile::escapeNote(note) << "\n";
    if (unlink(options.statusFile.c_str()) != 0 && errno != ENOENT) {
        err << "nattervane-helper: cannot remove " << options.statusFile << ": "
            << std::strerror(errno) << "\n";
        removed = false;
    }
    return removed ? 0 : 1;
}

std::atomic<bool> stopService{false};

void stopOnSignal(int) {
    stopService = true;
}

// The services run until SIGTERM or SIGINT.
void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = stopOnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The user and group named by `options`, else those running the helper; absent (with a message)
// for a user who does not exist.
std::optional<std::pair<uid_t, gid_t>> serviceUser(const HelperOptions& options,
                                                   std::ostream& err) {
    if (!options.user) return std::pair{geteuid(), getegid()};
    const passwd* entry = getpwnam(options.user->c_str());
    if (!entry) {
        err << "nattervane-helper: no user " << *options.user << "\n";
        return std::nullopt;
    }
    return std::pair{entry->pw_uid, entry->pw_gid};
}

// Follows the query log; the names go to the installing user.
int names(const HelperOptions& options, std::ostream& err) {
    auto user = serviceUser(options, err);
    if (!user) return 2;
    NamesService::Settings settings;
    settings.logFile = options.queryLog;
    settings.namesFile = options.namesFile;
    std::tie(settings.owner, settings.group) = *user;
    stopOnSignals();
    return NamesService::run(settings, stopService, err);
}

// Tells the installing user's application of each connection as it is made.
int events(const HelperOptions& options, std::ostream& err) {
    auto user = serviceUser(options, err);
    if (!user) return 2;
    EventsService::Settings settings;
    settings.socketPath = options.eventsSocket;
    settings.user = user->first;
    settings.programRules = options.programRules;
    settings.namesFile = options.namesFile;
    stopOnSignals();
    return EventsService::run(settings, stopService, err);
}

} // namespace

int run(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
        std::ostream& err) {
    switch (options.command) {
    case HelperOptions::Command::apply:
        return apply(options, firewall, out, err);
    case HelperOptions::Command::remove:
        return remove(options, firewall, out, err);
    case HelperOptions::Command::names:
        return names(options, err);
    case HelperOptions::Command::events:
        return events(options, err);
    }
    return 2;
}

} // namespace Helper
