#include "writer_lock.h"

#include "file_io.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace lzh {
namespace {

constexpr double kDefaultWaitSeconds = 30;

double wait_seconds() {
    const char *v = std::getenv("UNLHA_LOCK_WAIT");
    if (!v || !*v) return kDefaultWaitSeconds;
    char *end = nullptr;
    double s = std::strtod(v, &end);
    return end && *end == '\0' && s >= 0 ? s : kDefaultWaitSeconds;
}

std::string folder_of(const std::string &path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool same_file(int fd, const std::string &path) {
    struct stat a {}, b {};
    return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::string real_target(const std::string &path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (::realpath(folder_of(path).c_str(), resolved)) return std::string(resolved) + (resolved[1] ? "/" : "") + name;
    return path;
}

WriterLock::~WriterLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool WriterLock::acquire(const std::string &archive, std::string &why) {
    const std::string target = real_target(archive);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_seconds());
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        // The archive itself, or its folder while there is no archive yet.
        int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        const bool missing = fd < 0 && errno == ENOENT;
        if (missing) fd = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            why = "cannot lock " + target + " for writing: " + error_text(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat st {};
            const bool still = missing ? ::stat(target.c_str(), &st) != 0 && errno == ENOENT : same_file(fd, target);
            if (still) {
                fd_ = fd;
                return true;
            }
            ::close(fd);  // replaced (or created) meanwhile: lock what is there now
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK) {
            why = "cannot lock " + target + " for writing: " + error_text(err);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            why = target + ": another program is changing this archive; gave up waiting for it";
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

} // namespace lzh
