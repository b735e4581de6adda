// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <sys/types.h>

#include "base/owned_fd.h"
#include "base/result.h"

// One block file, opened without following a symbolic link and checked on the open descriptor
// before any byte is read, so a file swapped in afterwards is never the one read.
class BlockFile {
  public:
    // What was read: whole lines only. `cut` is set when the file was longer than the limit;
    // the line cut by the limit is dropped.
    struct Contents {
        std::string text;
        bool cut = false;

        bool operator==(const Contents&) const = default;
    };

    // Opens `name` in the directory open at `directory`. A missing file reads as empty. Only a
    // regular file of `owner` with one link, writable by nobody else and of at most `maxBytes`
    // is accepted; anything else (a symbolic link, a FIFO, a hard link, ...) is refused with the
    // reason as the error.
    static Result<BlockFile> open(int directory, const std::string& name, uid_t owner,
                                  size_t maxBytes);

    BlockFile(BlockFile&& other) noexcept = default;

    // At most `limit` bytes of the file; nothing for a missing file.
    Contents read(size_t limit) const;

  private:
    explicit BlockFile(OwnedFd fd) : fd_(std::move(fd)) {}

    OwnedFd fd_;
};
