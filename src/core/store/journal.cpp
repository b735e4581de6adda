// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/journal.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <system_error>
#include <tuple>

#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/json_text.h"

namespace fs = std::filesystem;

namespace {

// How far the wall clock may stray from the uptime before it counts as having jumped: far more
// than a clock drifts between two starts of the system, far less than a day.
constexpr auto clockTolerance = std::chrono::hours(1);
// How long the counters of a connection not seen again are kept: three times the longest interval
// between two scans offered, so that one missed listing does not count a connection's bytes
// twice, and short enough that thousands of closed connections soon give their memory back.
constexpr auto connectionIdle = std::chrono::minutes(3);

std::string clockFile(const std::string& dir) {
    return (fs::path(dir) / "clock.txt").string();
}

// Newest first, then by day, program and destination: an order of all entries.
bool newer(const JournalEntry& a, const JournalEntry& b) {
    return std::tie(b.last, a.day, a.app, a.dest) < std::tie(a.last, b.day, b.app, b.dest);
}

// The files of `dir` whose extension is exactly ".json", by name; none when it cannot be listed.
std::vector<fs::path> jsonFiles(const std::string& dir) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".json") files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

// The entries of one day file, or why it cannot be used.
Result<std::vector<JournalEntry>> decodeDay(const fs::path& file) {
    Result<std::string> text = AtomicFile::read(file.string());
    if (!text) return text.error();
    auto entries = JsonText::decode<std::vector<JournalEntry>>(*text);
    if (!entries) return Error{0, "not a readable day of the journal"};
    return std::move(*entries);
}

} // namespace

Journal::Journal(std::string dir, int keepDays, Clock clock, Witness witness)
    : dir_(std::move(dir)), keepDays_(keepDays), clock_(std::move(clock)),
      witness_(std::move(witness)) {
    load();
}

bool Journal::record(const std::string& app, const std::string& dest, const std::string& ip,
                     int64_t port, const Verdict& verdict, int64_t bytesIn, int64_t bytesOut,
                     bool blocked, Dates::TimePoint at) {
    std::string today = day(at);
    changedDays_.insert(today);
    auto [found, created] = entries_.try_emplace(key(today, app, dest));
    touch(found->first);
    JournalEntry& entry = found->second;
    if (created)
        entry = {today,           app, dest, ip, port, verdict.category,
                 verdict.company, at,  at,   0,  0,    blocked};
    entry.last = at;
    entry.blocked = entry.blocked || blocked;
    entry.add(Dates::localClock(at).hour, bytesIn, bytesOut);
    return created;
}

void Journal::nameAddressEntry(const std::string& addressId, const std::string& namedId,
                               const std::string& dest, const Verdict& verdict) {
    auto byAddress = entries_.find(addressId);
    if (byAddress == entries_.end()) return;
    JournalEntry seen = std::move(byAddress->second);
    entries_.erase(byAddress);
    forgetSorted();
    auto [named, created] = entries_.try_emplace(namedId, seen);
    JournalEntry& entry = named->second;
    if (created) {
        entry.dest = dest;
        entry.category = verdict.category;
        entry.company = verdict.company;
        return;
    }
    entry.first = std::min(entry.first, seen.first);
    entry.last = std::max(entry.last, seen.last);
    entry.add(seen);
    entry.blocked = entry.blocked || seen.blocked;
    if (!entry.ruleTarget) {
        entry.ruleTarget = seen.ruleTarget;
        entry.ruleProgram = seen.ruleProgram;
    }
}

bool Journal::recorded(const std::string& app, const std::string& dest, Dates::TimePoint at) const {
    const auto found = entries_.find(key(day(at), app, dest));
    return found != entries_.end() && !found->second.incoming;
}

const JournalEntry* Journal::find(const std::string& app, const std::string& dest,
                                  Dates::TimePoint at) const {
    const auto found = entries_.find(key(day(at), app, dest));
    return found == entries_.end() ? nullptr : &found->second;
}

std::string Journal::key(const std::string& day, const std::string& app, const std::string& dest) {
    return day + "|" + app + "|" + dest;
}

Journal::Recorded Journal::record(const Connection& connection, bool blocked, Dates::TimePoint at,
                                  const Rule* rule) {
    // Only what the program reached names its entry: one it accepted under a name that came
    // meanwhile would count as the program's own sighting of that name.
    const std::string today = day(at);
    const std::string dest = connection.dest();
    if (connection.host && !connection.incoming)
        nameAddressEntry(key(today, connection.app.name, connection.ip),
                         key(today, connection.app.name, dest), dest, connection.verdict);
    const CounterDeltas::Delta bytes =
        counters_.take(connection.id(), connection.bytesIn, connection.bytesOut, at);
    bool created = record(connection.app.name, dest, connection.ip, connection.port,
                          connection.verdict, bytes.in, bytes.out, blocked, at);
    JournalEntry& entry = entries_[key(today, connection.app.name, dest)];
    // Incoming while every observation was: what the program reaches itself is what counts.
    entry.incoming = connection.incoming && (created || entry.incoming);
    if (blocked && rule) {
        entry.ruleTarget = rule->target;
        entry.ruleProgram = rule->program;
    }
    return {created, bytes};
}

Result<void> Journal::save() {
    counters_.forgetIdle(clock_(), connectionIdle);
    std::error_code failure;
    fs::create_directories(dir_, failure);
    if (failure) return Error::fromCode("cannot create " + dir_, failure);
    // Only the days recorded into since the last save: a week of entries is rewritten once, not
    // every time.
    std::map<std::string, std::vector<const JournalEntry*>> days;
    for (const auto& [id, entry] : entries_)
        if (changedDays_.contains(entry.day)) days[entry.day].push_back(&entry);
    for (auto& [day, entries] : days) {
        if (Result<void> written = writeDay(day, std::move(entries)); !written) return written;
        changedDays_.erase(day);
    }
    changedDays_.clear();
    prune(clock_());
    return {};
}

Result<void> Journal::writeDay(const std::string& day, std::vector<const JournalEntry*> entries) {
    std::sort(entries.begin(), entries.end(), [](const JournalEntry* a, const JournalEntry* b) {
        return std::tie(a->first, a->app, a->dest) < std::tie(b->first, b->app, b->dest);
    });
    std::string text = "[";
    text.reserve(entries.size() * 300);
    for (const JournalEntry* entry : entries) {
        if (text.size() > 1) text += ',';
        appendJson(text, *entry);
    }
    text += ']';
    std::string name = day + ".json";
    std::string path = (fs::path(dir_) / name).string();
    if (unkept_.contains(name)) return Error{0, path + " cannot be used and is left in place"};
    return AtomicFile::write(path, text);
}

void Journal::load() {
    forgetSorted();
    entries_.clear();
    changedDays_.clear();
    prune(clock_());
    Contents contents = read(dir_);
    entries_ = std::move(contents.entries);
    unusable_.clear();
    unkept_.clear();
    for (const Skipped& skipped : contents.skipped) {
        unusable_.push_back(
            UnusableFile::keep(skipped.path, skipped.problem, UnusableFile::Unreadable::move));
        if (!unusable_.back().keptAs) unkept_.insert(fs::path(skipped.path).filename().string());
    }
}

void Journal::prune(Dates::TimePoint now) {
    if (!clockBelievable(now)) return;
    std::string first = cutoff(now, keepDays_);
    if (std::erase_if(entries_, [&](const auto& item) { return item.second.day < first; }) > 0)
        forgetSorted();
    for (const fs::path& file : jsonFiles(dir_)) {
        std::error_code ignored;
        if (file.stem().string() < first) fs::remove(file, ignored);
    }
}

bool Journal::clockBelievable(Dates::TimePoint now) {
    if (!witness_) return true;
    Dates::Uptime uptime = witness_();
    if (!reading_) reading_ = readReading();
    // A kept reading names its start; one without a name is never written, so never compared.
    if (reading_ && reading_->uptime.boot == uptime.boot) {
        auto expected = reading_->wall + std::chrono::duration_cast<Dates::TimePoint::duration>(
                                             uptime.counted - reading_->uptime.counted);
        if (std::chrono::abs(now - expected) > clockTolerance) return false;
        if (!readingKept_) keepReading();
        return true;
    }
    reading_ = Reading{now, uptime};
    keepReading();
    return true;
}

std::optional<Journal::Reading> Journal::readReading() const {
    Result<std::string> text = AtomicFile::read(clockFile(dir_));
    if (!text) return std::nullopt;
    std::istringstream fields(*text);
    std::string boot, extra;
    int64_t counted = 0, wall = 0;
    if (!(fields >> boot >> counted >> wall) || fields >> extra) return std::nullopt;
    return Reading{Dates::TimePoint(std::chrono::duration_cast<Dates::TimePoint::duration>(
                       std::chrono::nanoseconds(wall))),
                   {boot, std::chrono::nanoseconds(counted)}};
}

void Journal::keepReading() {
    auto wall =
        std::chrono::duration_cast<std::chrono::nanoseconds>(reading_->wall.time_since_epoch());
    std::error_code failure;
    fs::create_directories(dir_, failure);
    readingKept_ =
        !failure &&
        AtomicFile::write(clockFile(dir_), reading_->uptime.boot + " " +
                                               std::to_string(reading_->uptime.counted.count()) +
                                               " " + std::to_string(wall.count()) + "\n");
}

void Journal::wipe() {
    forgetSorted();
    entries_.clear();
    changedDays_.clear();
    unusable_.clear();
    unkept_.clear();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    readingKept_ = false;
}

Journal::Contents Journal::read(const std::string& dir) {
    Contents contents;
    for (const fs::path& file : jsonFiles(dir)) {
        auto entries = decodeDay(file);
        if (!entries) {
            contents.skipped.push_back({file.string(), entries.error().message});
            continue;
        }
        for (JournalEntry& entry : *entries) {
            std::string id = entry.id();
            contents.entries.insert_or_assign(std::move(id), std::move(entry));
        }
    }
    return contents;
}

std::string Journal::cutoff(Dates::TimePoint now, int keepDays) {
    return Dates::localDay(now, 1 - keepDays);
}

std::vector<JournalEntry> Journal::newestFirst(const Entries& entries) {
    std::vector<JournalEntry> list;
    list.reserve(entries.size());
    for (const auto& [id, entry] : entries)
        list.push_back(entry);
    std::sort(list.begin(), list.end(), newer);
    return list;
}

const std::vector<JournalEntry>& Journal::sorted() const {
    if (!touched_) {
        sorted_ = newestFirst(entries_);
        touched_.emplace();
        return sorted_;
    }
    if (touched_->empty()) return sorted_;
    // Touched entries leave their places and come back, sorted, merged with the rest: the same
    // order a sort of everything gives, since `newer` orders all entries.
    std::vector<JournalEntry> fresh;
    fresh.reserve(touched_->size());
    for (const std::string& id : *touched_)
        fresh.push_back(entries_.at(id));
    std::sort(fresh.begin(), fresh.end(), newer);
    std::string id;
    std::erase_if(sorted_, [&](const JournalEntry& entry) {
        id.assign(entry.day).append("|").append(entry.app).append("|").append(entry.dest);
        return touched_->contains(id);
    });
    std::vector<JournalEntry> merged;
    merged.reserve(sorted_.size() + fresh.size());
    std::merge(std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()),
               std::make_move_iterator(sorted_.begin()), std::make_move_iterator(sorted_.end()),
               std::back_inserter(merged), newer);
    sorted_ = std::move(merged);
    touched_->clear();
    return sorted_;
}

void Journal::touch(const std::string& id) {
    if (!touched_) return;
    touched_->insert(id);
    if (touched_->size() > entries_.size() / 2) forgetSorted();
}

void Journal::forgetSorted() {
    touched_.reset();
    sorted_ = {};
}
