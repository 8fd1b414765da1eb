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

#include "unlha32.h"

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
    // the environment), 30 when that is unset.  UNLHA_ERR_ARCHIVE with `why`
    // for an archive that is no regular file (a named pipe is refused
    // without waiting on it), UNLHA_ERR_WRITE when the wait ran out or the
    // archive cannot be opened.
    UnlhaResult acquire(const std::string &archive, std::string &why);

    // A new archive in a folder this process may write but not read (mode
    // 0733) cannot be locked through its folder: it is made without the
    // lock, and must then take its name only where no other writer put one
    // meanwhile.
    bool unlocked_new() const { return unlocked_new_; }

private:
    int fd_ = -1;
    bool unlocked_new_ = false;
};

} // namespace lzh
