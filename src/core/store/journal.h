// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/dates.h"
#include "base/result.h"
#include "base/unusable_file.h"
#include "classify/verdict.h"
#include "observe/connection.h"
#include "store/counter_deltas.h"
#include "store/journal_entry.h"
#include "store/rule.h"

// The last `keepDays` local calendar days of observations, one JSON file per day
// ("yyyy-MM-dd.json") in the journal directory. Not thread-safe: one thread uses it.
//
// Days are deleted by the calendar unless the clock jumped. A reading of the wall clock and of
// the system's uptime (which counts sleep and which setting the clock does not move) is kept in
// "clock.txt"; while the wall clock stands more than an hour away from that reading plus the
// uptime counted since, in the same start of the system, nothing is deleted. So a clock set a
// week ahead and back again finds every day it left. A new start of the system takes a new
// reading.
class Journal {
  public:
    using Clock = std::function<Dates::TimePoint()>;
    // The system's uptime; absent: the clock is always believed.
    using Witness = std::function<Dates::Uptime()>;
    // Keyed by JournalEntry::id.
    using Entries = std::unordered_map<std::string, JournalEntry>;

    // A JSON file of the directory that could not be read or decoded, and why.
    struct Skipped {
        std::string path;
        std::string problem;

        bool operator==(const Skipped&) const = default;
    };
    // What a directory holds: the entries of every readable day file, and the files skipped.
    struct Contents {
        Entries entries;
        std::vector<Skipped> skipped;
    };

    // Loads `dir` (after pruning it). `clock` gives the current time for loads and saves,
    // `witness` the uptime it is checked against.
    Journal(std::string dir, int keepDays, Clock clock = std::chrono::system_clock::now,
            Witness witness = {});

    // The local calendar day of `time`.
    static std::string day(Dates::TimePoint time) { return Dates::localDay(time); }

    // Merges one observation into its day's entry: the first observation fixes ip, port,
    // category, company and `first`; later ones move `last` and keep `blocked` once set. The
    // bytes are what moved since the previous observation, added to the local clock hour of
    // `at`. True when a new entry was created.
    bool record(const std::string& app, const std::string& dest, const std::string& ip,
                int64_t port, const Verdict& verdict, int64_t bytesIn, int64_t bytesOut,
                bool blocked, Dates::TimePoint at);
    // An observation of `app` reaching `dest` is recorded for the day of `at` (one of `dest`
    // connecting to `app` is not).
    bool recorded(const std::string& app, const std::string& dest, Dates::TimePoint at) const;
    // The entry of `app` and `dest` for the day of `at`, or null.
    const JournalEntry* find(const std::string& app, const std::string& dest,
                             Dates::TimePoint at) const;
    // What recording a connection did: whether it created an entry, and the bytes it added.
    struct Recorded {
        bool created = false;
        CounterDeltas::Delta bytes;

        bool operator==(const Recorded&) const = default;
    };
    // Records `connection` as the observation above: its program, its destination as shown (the
    // host name when known, else the address), address, port, verdict and the bytes its
    // cumulative counters moved since the connection was last recorded (see CounterDeltas);
    // when blocked by `rule`, the rule too. An entry of the day made by address alone (its name
    // not known yet) becomes the entry of the name when a connection the program made to that
    // address comes with it: one entry per connection, under the best name known.
    Recorded record(const Connection& connection, bool blocked, Dates::TimePoint at,
                    const Rule* rule = nullptr);

    // Writes the file of every day recorded into since the last save or load, then prunes. On
    // failure the entries stay in memory and their days are written at the next save. A day file
    // the last load could neither use nor keep is never written over: saving its day fails.
    Result<void> save();
    // Replaces the entries with the content of the directory, after pruning it. Every day file
    // that cannot be used is first kept (see UnusableFile::keep), so its day can be written anew.
    void load();
    // Drops entries and deletes day files older than today and the keepDays - 1 days before it,
    // unless the clock jumped.
    void prune(Dates::TimePoint now);
    // Whether `now` agrees with the kept reading (see the class); takes a reading when there is
    // none of this start of the system.
    bool clockBelievable(Dates::TimePoint now);
    // Forgets everything and deletes the directory.
    void wipe();

    // All entries, the most recently observed first. The list is kept between calls: after a
    // few records a call moves only the entries they touched, one pass rather than a sort. It is
    // made anew after a load, a prune that dropped entries or a wipe, and let go when more than
    // half of the entries were touched since the last call (nobody looks at it).
    const std::vector<JournalEntry>& sorted() const;

    const Entries& entries() const { return entries_; }
    // The day files the last load could not use, and where each is kept.
    const std::vector<UnusableFile::Report>& unusable() const { return unusable_; }
    const std::string& dir() const { return dir_; }
    int keepDays() const { return keepDays_; }

    // Reads the day files of `dir` without changing anything on disk.
    static Contents read(const std::string& dir);
    // The first local day `keepDays` days of retention keep at `now`.
    static std::string cutoff(Dates::TimePoint now, int keepDays);
    static std::vector<JournalEntry> newestFirst(const Entries& entries);

  private:
    // A reading of both clocks.
    struct Reading {
        Dates::TimePoint wall;
        Dates::Uptime uptime;
    };
    std::optional<Reading> readReading() const;
    void keepReading();

    // The id of the entry of `app` reaching `dest` on `day` (see JournalEntry::id).
    static std::string key(const std::string& day, const std::string& app, const std::string& dest);
    // Moves the entry `addressId` into `namedId`, of the name `dest` classified as `verdict`.
    void nameAddressEntry(const std::string& addressId, const std::string& namedId,
                          const std::string& dest, const Verdict& verdict);
    Result<void> writeDay(const std::string& day, std::vector<const JournalEntry*> entries);
    // Notes that the entry `id` was recorded into, for the next call of `sorted`.
    void touch(const std::string& id);
    void forgetSorted();

    std::string dir_;
    int keepDays_;
    Clock clock_;
    Witness witness_;
    // The reading the clock is checked against, and whether clock.txt holds it.
    std::optional<Reading> reading_;
    bool readingKept_ = false;
    Entries entries_;
    // The last counters of each connection recorded; those idle for long are let go at saves.
    CounterDeltas counters_;
    std::vector<UnusableFile::Report> unusable_;
    // Day files of the directory that the last load could neither use nor keep; never written
    // over.
    std::set<std::string> unkept_;
    // Days recorded into since the last save: the only ones the next save writes.
    std::set<std::string> changedDays_;
    // The list `sorted` gave last, and the ids recorded into since; absent when the list is to
    // be made anew.
    mutable std::vector<JournalEntry> sorted_;
    mutable std::optional<std::unordered_set<std::string>> touched_;
};
