// One writer at a time per archive, across threads and processes: every
// command that rewrites an archive holds this lock from before it reads the
// old archive until its new one has been renamed into place, so a second
// writer always starts from the first one's result and no change is lost.
//
// The lock is flock() on the archive file itself.  The file is replaced by
// rename, so a writer that waited on the old file finds, once it has the
// lock, that the name now means another file, and locks that one instead.
// An archive that does not exist yet is locked through its folder.
#pragma once

#include <string>

namespace lzh {

// The file a path names, through symbolic links; a file that does not exist
// yet is named through its folder's real path.  Writers lock and replace this.
std::string real_target(const std::string &path);

class WriterLock {
public:
    WriterLock() = default;
    ~WriterLock();
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;

    // Waits for the lock on `archive`: at most UNLHA_LOCK_WAIT seconds (from
    // the environment), 30 when that is unset.  False with `why` when the
    // wait ran out or the archive's folder cannot be opened.
    bool acquire(const std::string &archive, std::string &why);

private:
    int fd_ = -1;
};

} // namespace lzh
