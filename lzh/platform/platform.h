// What the library asks of the operating system, in one place: opening
// files without following links or blocking, locks, renames, owners and
// modes, temporary files and the signals that must not leave them behind,
// and what the processor can do.  The commands call these and never the
// system itself; platform_unix.cpp implements them for Linux and the other
// Unix systems, and an implementation for Windows goes beside it
// (selected in lzh/CMakeLists.txt) without a change to the commands.
//
// Files and folders are small integers: POSIX descriptors here, the C
// runtime's descriptors (with a table of folder handles) on Windows.  A
// function that fails returns -1 or false and leaves the reason in errno.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Code paths for x86-64 extensions, chosen at run time by the cpu_has_ probes.
#define LZH_X86_64 1
#endif

namespace lzh::platform {

// A folder argument that means "relative to the current folder", so that a
// whole path can go where a folder and a name are taken.
inline constexpr int kCurrentFolder = -100;

// --- Opening and closing

// A regular file opened for reading, or why not.
struct OpenedFile {
    int fd = -1;
    std::uint64_t size = 0;
    int error = 0;             // errno when fd < 0
    bool not_regular = false;  // a pipe, device, folder...: refused
    std::string why() const;   // the reason, for a message
};
// Opens `path` (through links) for reading.  The open never waits: a named
// pipe or a device is refused at once, whoever holds its other end.
OpenedFile open_regular(const std::string &path);

// A folder for looking things up in it; -1 when missing or unreadable.
int open_folder(const std::string &path);
// The folder `name` inside `dir`; unless `follow_links`, never through a
// symbolic link (ELOOP or ENOTDIR when one is there).
int open_folder_at(int dir, const std::string &name, bool follow_links = false);
bool make_folder_at(int dir, const std::string &name);  // EEXIST when something is there
bool close_file(int fd);                                // false: a write the system kept back failed

// What a name in a folder is, the name itself when it is a link.
enum class EntryKind { none, file, folder, link, other };
EntryKind entry_at(int dir, const std::string &name);

// The file a path names, through every link; nullopt when it does not exist.
std::optional<std::string> real_path(const std::string &path);

// Two names or descriptors for one file have the same identity.
struct FileId {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileId &) const = default;
};
std::optional<FileId> file_id(int fd);

// --- Writing

bool flush_to_disk(int fd);                  // the file's data (a folder's entries) on the disk
bool cut_file(int fd, std::uint64_t size);   // truncates, and the next write goes there
bool remove_at(int dir, const std::string &name);
bool make_link_at(const std::string &target, int dir, const std::string &name);
// Renames `from` to `to`.  With `replace` false, fails with EEXIST when
// `to` exists, atomically where the file system allows.
bool rename_at(int from_dir, const std::string &from, int to_dir, const std::string &to, bool replace);

// --- Owners, modes and times

// Permission bits (07777) and owner of a file; -1 for an owner that is
// left as the system makes it.
struct FileAccess {
    unsigned mode = 0;
    long long uid = -1, gid = -1;
};
std::optional<FileAccess> file_access(int fd);
std::optional<FileAccess> file_access(const std::string &path);  // through links
// Gives `fd` the owner and group where this process may (root may; others
// may give a group they belong to), then the mode, which always holds (set
// after the owner, whose change clears set-id bits).  False when the mode
// could not be set.
bool give_access(int fd, const FileAccess &access);
// Mode bits (when given) and modification time of an open file or folder.
bool set_mode_and_time(int fd, std::optional<unsigned> mode, std::int64_t mtime);
// The bits a new file's mode loses (the umask).
unsigned creation_mask();

// --- Locks

// An exclusive lock on an open file or folder, held until it is closed,
// taken without waiting: false with errno EWOULDBLOCK while another holds it.
bool try_lock(int fd);

// --- Temporary files
//
// A file is written under a temporary name beside the one it will take and
// renamed into place when whole, so no reader ever sees it cut.  The name
// is "." + the final name (its first kMaxTemporaryBase bytes) + a tag that
// says whose it is + six random letters or digits.  While it is written it
// is locked, so that an abandoned one (its writer was killed) can be told
// from one being written (remove_abandoned).

inline constexpr std::size_t kMaxTemporaryBase = 200;
std::string temporary_prefix(const std::string &final_name, std::string_view tag);
std::string temporary_name(const std::string &final_name, std::string_view tag);  // with its random part
// Whether `name` is a temporary of that prefix, or of that tag whatever
// final name it has.
bool is_temporary(std::string_view name, std::string_view prefix);
bool is_temporary_with_tag(std::string_view name, std::string_view tag);

class TempFile {
public:
    TempFile() = default;
    ~TempFile();  // removes the file unless it was placed
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates `prefix` + six random characters in `dir`, new (never
    // through a link), mode 0600, open for reading and writing, locked,
    // and known to remove_temporaries_on_signals.
    bool create(int dir, const std::string &prefix);
    int fd() const { return fd_; }
    const std::string &name() const { return name_; }

    // Renames it to `to` in `to_dir` and closes it (a write that the system
    // reports only at the close fails it): over what is there when
    // `replace`, else only where nothing is (EEXIST).  When false, `to` is
    // as it was and the file, where it is left, is still a temporary.
    bool place(int to_dir, const std::string &to, bool replace);
    void remove();  // now rather than in the destructor

private:
    int dir_ = kCurrentFolder, fd_ = -1, slot_ = -1;
    std::string name_;
};

// Removes from the folder `dir` every regular file whose name `ours` takes
// and that no live process holds locked: what killed writers left.  A
// folder that cannot be read is left as it is.
void remove_abandoned(int dir, const std::function<bool(std::string_view)> &ours);

// --- Signals

// From now on an interrupt, a termination request or a hang-up (SIGINT,
// SIGTERM, SIGHUP) removes every TempFile not yet placed, then ends the
// process as that signal would have.  A signal the process was started
// ignoring stays ignored.  For programs; the library never installs it.
void remove_temporaries_on_signals();

// --- The processor

bool cpu_has_pclmul();  // carry-less multiplication (PCLMULQDQ)
bool cpu_has_bmi2();    // shifts by a variable count without the count register (SHLX, SHRX)

} // namespace lzh::platform
