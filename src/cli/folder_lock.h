// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/owned_fd.h"
#include "base/result.h"

// The data folder's lock, which the application holds while it runs, taken by the command-line
// tool while it writes the rules file, so that the two never write at once. Written as the
// application's toolkit writes it (process id, program, host on lines of their own), so that an
// application starting meanwhile sees whose it is and waits its turn.
class FolderLock {
  public:
    // Takes the lock at `path`; a lock left by a process that is gone is taken over. Fails, with
    // the reason, when a running process holds it.
    static Result<FolderLock> take(const std::string& path);
    FolderLock(FolderLock&& other) noexcept
        : path_(std::move(other.path_)), folder_(std::move(other.folder_)) {
        other.path_.clear();
    }
    FolderLock& operator=(FolderLock&&) = delete;
    ~FolderLock();

  private:
    FolderLock(std::string path, OwnedFd folder)
        : path_(std::move(path)), folder_(std::move(folder)) {}

    std::string path_;
    // The folder, locked against the other command-line tools while this one works in it.
    OwnedFd folder_;
};
