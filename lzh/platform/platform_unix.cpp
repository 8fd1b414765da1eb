// platform.h for Linux and the other Unix systems: POSIX calls, with
// Linux's renameat2 where it is there.
#include "platform.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef LZH_X86_64
#include <cpuid.h>
#endif

static_assert(lzh::platform::kCurrentFolder == AT_FDCWD, "kCurrentFolder stands for AT_FDCWD");

namespace lzh::platform {
namespace {

bool same_entry(int fd, int dir, const std::string &name) {
    struct stat a {}, b {};
    return ::fstat(fd, &a) == 0 && ::fstatat(dir, name.c_str(), &b, AT_SYMLINK_NOFOLLOW) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

FileAccess access_of(const struct stat &st) {
    return {static_cast<unsigned>(st.st_mode & 07777), static_cast<long long>(st.st_uid), static_cast<long long>(st.st_gid)};
}

// --- The temporaries a signal removes.  The handler may only read what is
// fully written, and a slot it took is never handed out again, so each slot
// moves free -> filling -> armed -> free, or armed -> taken (by the handler).

enum SlotState { kFree, kFilling, kArmed, kTaken };
struct Slot {
    std::atomic<int> state{kFree};
    int dir = kCurrentFolder;
    char name[PATH_MAX];
};
constexpr int kSlots = 16;  // a command writes one temporary at a time
Slot slots[kSlots];

int arm(int dir, const std::string &name) {
    if (name.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        slots[i].dir = dir;
        std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
        slots[i].state.store(kArmed, std::memory_order_release);
        return i;
    }
    return -1;  // more at once than a command makes: this one is not removed on a signal
}

void disarm(int slot) {
    int armed = kArmed;
    if (slot >= 0) slots[slot].state.compare_exchange_strong(armed, kFree);
}

void on_signal(int sig) {
    const int saved = errno;
    for (Slot &s : slots) {
        int armed = kArmed;
        if (s.state.compare_exchange_strong(armed, kTaken)) ::unlinkat(s.dir, s.name, 0);
    }
    // Then end as the signal would have: its default action, once this
    // handler returns and the signal is no longer blocked.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
    errno = saved;
}

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

constexpr std::size_t kRandomChars = 6;

std::string random_chars() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 rng{std::random_device{}()};
    std::string s(kRandomChars, '\0');
    for (char &c : s) c = kAlphabet[rng() % (sizeof kAlphabet - 1)];
    return s;
}

bool random_tail(std::string_view tail) {
    if (tail.size() != kRandomChars) return false;
    for (char c : tail)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

} // namespace

// --- Opening and closing

std::string OpenedFile::why() const { return not_regular ? "not a regular file" : std::strerror(error); }

OpenedFile open_regular(const std::string &path) {
    OpenedFile f;
    // Without O_NONBLOCK the open of a named pipe waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        f.error = errno;
        return f;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) f.error = errno;
    else if (!S_ISREG(st.st_mode)) f.not_regular = true;
    if (f.error || f.not_regular) {
        ::close(fd);
        return f;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    f.fd = fd;
    f.size = static_cast<std::uint64_t>(st.st_size);
    return f;
}

int open_folder(const std::string &path) { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

int open_folder_at(int dir, const std::string &name, bool follow_links) {
    return ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow_links ? 0 : O_NOFOLLOW));
}

bool make_folder_at(int dir, const std::string &name) { return ::mkdirat(dir, name.c_str(), 0777) == 0; }

bool close_file(int fd) { return ::close(fd) == 0; }

EntryKind entry_at(int dir, const std::string &name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::none;
    if (S_ISREG(st.st_mode)) return EntryKind::file;
    if (S_ISDIR(st.st_mode)) return EntryKind::folder;
    if (S_ISLNK(st.st_mode)) return EntryKind::link;
    return EntryKind::other;
}

std::optional<std::string> real_path(const std::string &path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return std::nullopt;
    return std::string(resolved);
}

std::optional<FileId> file_id(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// --- Writing

bool flush_to_disk(int fd) { return ::fsync(fd) == 0; }

bool cut_file(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool remove_at(int dir, const std::string &name) { return ::unlinkat(dir, name.c_str(), 0) == 0; }

bool make_link_at(const std::string &target, int dir, const std::string &name) {
    return ::symlinkat(target.c_str(), dir, name.c_str()) == 0;
}

bool rename_at(int from_dir, const std::string &from, int to_dir, const std::string &to, bool replace) {
    if (replace) return ::renameat(from_dir, from.c_str(), to_dir, to.c_str()) == 0;
#ifdef RENAME_NOREPLACE
    if (::renameat2(from_dir, from.c_str(), to_dir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
#endif
    // A second link fails where the name is taken; then the first goes.
    if (::linkat(from_dir, from.c_str(), to_dir, to.c_str(), 0) == 0) {
        ::unlinkat(from_dir, from.c_str(), 0);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return false;
    // A file system with neither: look, then rename.
    if (entry_at(to_dir, to) != EntryKind::none) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(from_dir, from.c_str(), to_dir, to.c_str()) == 0;
}

// --- Owners, modes and times

std::optional<FileAccess> file_access(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return access_of(st);
}

std::optional<FileAccess> file_access(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return access_of(st);
}

bool give_access(int fd, const FileAccess &a) {
    if (a.uid >= 0 || a.gid >= 0) {
        const auto uid = a.uid >= 0 ? static_cast<uid_t>(a.uid) : static_cast<uid_t>(-1);
        const auto gid = a.gid >= 0 ? static_cast<gid_t>(a.gid) : static_cast<gid_t>(-1);
        // Not permitted to give the owner: the group alone, where it is one of ours.
        if (::fchown(fd, uid, gid) != 0 && a.gid >= 0) (void)::fchown(fd, static_cast<uid_t>(-1), gid);
    }
    return ::fchmod(fd, static_cast<mode_t>(a.mode & 07777)) == 0;
}

bool set_mode_and_time(int fd, std::optional<unsigned> mode, std::int64_t mtime) {
    bool ok = !mode || ::fchmod(fd, static_cast<mode_t>(*mode & 07777)) == 0;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtime), 0}};
    return ::futimens(fd, times) == 0 && ok;
}

unsigned creation_mask() {
    // Read once: umask() can only be read by setting it.
    static const unsigned mask = [] {
        const mode_t u = ::umask(022);
        ::umask(u);
        return static_cast<unsigned>(u);
    }();
    return mask;
}

// --- Locks

bool try_lock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// --- Temporary files

std::string temporary_prefix(const std::string &final_name, std::string_view tag) {
    std::string prefix(1, '.');
    prefix.append(final_name, 0, kMaxTemporaryBase).append(tag);
    return prefix;
}

std::string temporary_name(const std::string &final_name, std::string_view tag) {
    return temporary_prefix(final_name, tag) + random_chars();
}

bool is_temporary(std::string_view name, std::string_view prefix) {
    return name.size() == prefix.size() + kRandomChars && name.substr(0, prefix.size()) == prefix &&
           random_tail(name.substr(prefix.size()));
}

bool is_temporary_with_tag(std::string_view name, std::string_view tag) {
    const std::size_t tail = tag.size() + kRandomChars;
    return name.size() > tail + 1 && name[0] == '.' && name.substr(name.size() - tail, tag.size()) == tag &&
           random_tail(name.substr(name.size() - kRandomChars));
}

TempFile::~TempFile() { remove(); }

bool TempFile::create(int dir, const std::string &prefix) {
    remove();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + random_chars();
        // Recorded before it exists, so that no signal finds it made and
        // not recorded (the name is random: nobody else's file has it).
        const int slot = arm(dir, name);
        const int fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int err = errno;
            disarm(slot);
            if (err == EEXIST) continue;
            errno = err;
            return false;
        }
        // Between the create and the lock, another writer's remove_abandoned
        // may have taken it for abandoned and removed it: then start again.
        // Where the file system has no locks, none removes it either.
        struct stat st {};
        const bool locked = ::flock(fd, LOCK_EX) == 0 || errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL;
        if (!locked || ::fstat(fd, &st) != 0) {
            const int err = errno;
            ::unlinkat(dir, name.c_str(), 0);
            disarm(slot);
            ::close(fd);
            errno = err;
            return false;
        }
        if (st.st_nlink == 0) {
            disarm(slot);
            ::close(fd);
            continue;
        }
        dir_ = dir;
        fd_ = fd;
        slot_ = slot;
        name_ = std::move(name);
        return true;
    }
    errno = EEXIST;
    return false;
}

bool TempFile::place(int to_dir, const std::string &to, bool replace) {
    if (!replace) {
        // A name nobody has: taken while the file is still open and locked,
        // and given up again when the close reports a lost write.
        if (!rename_at(dir_, name_, to_dir, to, false)) return false;
        disarm(slot_);
        slot_ = -1;
        name_.clear();
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) == 0) return true;
        const int err = errno;
        ::unlinkat(to_dir, to.c_str(), 0);
        errno = err;
        return false;
    }
    // Over another file only once the close is through; a second
    // descriptor keeps the lock meanwhile.
    const int keep = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (keep < 0) return false;
    const int written = fd_;
    fd_ = keep;
    if (::close(written) != 0) return false;
    if (!rename_at(dir_, name_, to_dir, to, true)) return false;
    disarm(slot_);
    slot_ = -1;
    name_.clear();
    ::close(fd_);
    fd_ = -1;
    return true;
}

void TempFile::remove() {
    if (!name_.empty()) ::unlinkat(dir_, name_.c_str(), 0);
    disarm(slot_);
    slot_ = -1;
    name_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void remove_abandoned(int dir, const std::function<bool(std::string_view)> &ours) {
    // A descriptor of its own: reading a folder moves its offset.
    const int list_fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (list_fd < 0) return;
    DIR *d = ::fdopendir(list_fd);
    if (!d) {
        ::close(list_fd);
        return;
    }
    std::vector<std::string> found;
    while (const dirent *e = ::readdir(d))
        if ((e->d_type == DT_REG || e->d_type == DT_UNKNOWN) && ours(e->d_name)) found.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string &name : found) {
        const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;  // not ours to open: not ours to remove
        struct stat st {};
        // Locked: its writer lives.  The name checked again once locked.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && same_entry(fd, dir, name))
            ::unlinkat(dir, name.c_str(), 0);
        ::close(fd);
    }
}

// --- Signals

void remove_temporaries_on_signals() {
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kCleanupSignals) sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = SA_RESTART;
    for (int sig : kCleanupSignals) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // as nohup wants
        ::sigaction(sig, &sa, nullptr);
    }
}

// --- The processor: asked once, when first needed (__builtin_cpu_supports
// would ask for everything at every start; in a virtual machine each
// question is slow).

#ifdef LZH_X86_64
bool cpu_has_pclmul() {
    static const bool yes = [] {
        unsigned a, b, c, d;
        return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL);
    }();
    return yes;
}

bool cpu_has_bmi2() {
    static const bool yes = [] {
        unsigned a, b, c, d;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_BMI2);
    }();
    return yes;
}
#else
bool cpu_has_pclmul() { return false; }
bool cpu_has_bmi2() { return false; }
#endif

} // namespace lzh::platform
