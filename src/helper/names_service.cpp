// SPDX-License-Identifier: GPL-3.0-or-later
#include "names_service.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "dns_log.h"
#include "name_map.h"

namespace NamesService {

namespace {

// Longer lines are no answer dnsmasq writes (a name has at most 253 characters) and are skipped.
constexpr size_t maxLineBytes = 1024;

class Follower {
  public:
    explicit Follower(const Settings& settings)
        : settings_(settings), map_(settings.capacity, settings.lifetime) {}

    // Reads what the log gained; true when the map changed.
    bool read(int fd) {
        bool changed = false;
        char buffer[16384];
        for (int round = 0; round < 64; ++round) {
            ssize_t got = pread(fd, buffer, sizeof buffer, offset_);
            if (got <= 0) break;
            offset_ += got;
            changed = take(std::string_view(buffer, static_cast<size_t>(got))) || changed;
        }
        // What dnsmasq appends after the cut lands at the start again (O_APPEND). A line written
        // between the last read and the cut is lost, which costs one name until its next lookup.
        // A cut that failed leaves the log whole: reading on from here sees each line once.
        bool cut = offset_ >= settings_.maxLogBytes;
        if (cut && ftruncate(fd, 0) != 0) return changed;
        struct stat status {};
        if (cut || (fstat(fd, &status) == 0 && status.st_size < offset_)) {
            offset_ = 0;
            partial_.clear();
        }
        return changed;
    }

    NameMap& map() { return map_; }

  private:
    bool take(std::string_view data) {
        bool changed = false;
        while (!data.empty()) {
            size_t end = data.find('\n');
            std::string_view piece = data.substr(0, end);
            if (partial_.size() + piece.size() > maxLineBytes) {
                overlong_ = true;
                partial_.clear();
            } else {
                partial_.append(piece);
            }
            if (end == std::string_view::npos) break;
            if (!overlong_)
                if (auto answer = reader_.line(partial_))
                    changed =
                        map_.add(answer->address, answer->name, NameMap::Clock::now()) || changed;
            partial_.clear();
            overlong_ = false;
            data.remove_prefix(end + 1);
        }
        return changed;
    }

    const Settings& settings_;
    NameMap map_;
    DnsLog::Reader reader_;
    off_t offset_ = 0;
    std::string partial_;
    bool overlong_ = false;
};

} // namespace

int run(const Settings& settings, const std::atomic<bool>& stop, std::ostream& err) {
    // Made here if dnsmasq has not made it yet; what it held before this start is old news.
    OwnedFd log(open(settings.logFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat status {};
    if (!log || fstat(log.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        err << "nattervane-helper: cannot follow " << settings.logFile << ": "
            << std::strerror(errno) << "\n";
        return 1;
    }
    if (ftruncate(log.get(), 0) != 0) {
        err << "nattervane-helper: cannot empty " << settings.logFile << ": "
            << std::strerror(errno) << "\n";
        return 1;
    }
    Follower follower(settings);
    std::string reported;
    bool dirty = true;
    auto lastExpiry = NameMap::Clock::now();
    while (!stop) {
        dirty = follower.read(log.get()) || dirty;
        auto now = NameMap::Clock::now();
        if (now - lastExpiry >= std::chrono::seconds(10)) {
            dirty = follower.map().expire(now) || dirty;
            lastExpiry = now;
        }
        if (dirty) {
            if (Result<void> published = NamesFile::publish(
                    settings.namesFile, follower.map().text(), settings.owner, settings.group))
                dirty = false;
            else if (published.error().message != reported)
                err << "nattervane-helper: " << (reported = published.error().message) << "\n";
        }
        std::this_thread::sleep_for(settings.interval);
    }
    log.reset();
    unlink(settings.namesFile.c_str());
    return 0;
}

} // namespace NamesService
