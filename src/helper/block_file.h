#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

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

    // Opens `name` in the directory open at `directory`. A missing file reads as empty; a
    // symbolic link, anything but a regular file, or a file owned by anyone but `owners` is
    // refused.
    static BlockFile open(int directory, const std::string& name, const std::vector<uid_t>& owners);

    BlockFile(BlockFile&& other) noexcept;
    BlockFile& operator=(BlockFile&& other) = delete;
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;
    ~BlockFile();

    // Why the file is refused; empty when it may be read.
    const std::string& problem() const { return problem_; }
    // At most `limit` bytes of the file; nothing for a refused or missing file.
    Contents read(size_t limit) const;

  private:
    BlockFile(int fd, std::string problem) : fd_(fd), problem_(std::move(problem)) {}

    int fd_ = -1;
    std::string problem_;
};
