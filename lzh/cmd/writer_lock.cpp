#include "writer_lock.h"

#include "file_io.h"
#include "platform.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

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

// Whether `path` still names the file open as `fd`, or (fd < 0) still names nothing.
bool still_there(int fd, const std::string &path, bool missing) {
    platform::OpenedFile now = platform::open_regular(path);
    const bool same = missing ? now.fd < 0 && now.error == ENOENT : now.fd >= 0 && platform::file_id(fd) == platform::file_id(now.fd);
    if (now.fd >= 0) platform::close_file(now.fd);
    return same;
}

} // namespace

std::string real_target(const std::string &path) {
    if (auto real = platform::real_path(path)) return *real;
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (auto folder = platform::real_path(folder_of(path))) return *folder + (folder->size() > 1 ? "/" : "") + name;
    return path;
}

WriterLock::~WriterLock() {
    if (fd_ >= 0) platform::close_file(fd_);  // closing releases the lock
}

UnlhaResult WriterLock::acquire(const std::string &archive, std::string &why) {
    const std::string target = real_target(archive);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_seconds());
    auto pause = std::chrono::milliseconds(2);
    auto cannot = [&](int err) {
        why = "cannot lock " + target + " for writing: " + error_text(err);
        return UNLHA_ERR_WRITE;
    };
    for (;;) {
        // The archive itself, or its folder while there is no archive yet.
        platform::OpenedFile file = platform::open_regular(target);
        if (file.not_regular) {
            why = target + ": not a regular file";
            return UNLHA_ERR_ARCHIVE;
        }
        const bool missing = file.fd < 0 && file.error == ENOENT;
        if (file.fd < 0 && !missing) return cannot(file.error);
        const int fd = missing ? platform::open_folder(folder_of(target)) : file.fd;
        if (fd < 0 && missing && errno == EACCES) {
            unlocked_new_ = true;  // a folder we may write in but not read
            return UNLHA_OK;
        }
        if (fd < 0) return cannot(errno);
        if (platform::try_lock(fd)) {
            if (still_there(fd, target, missing)) {
                fd_ = fd;
                return UNLHA_OK;
            }
            platform::close_file(fd);  // replaced (or created) meanwhile: lock what is there now
            continue;
        }
        const int err = errno;
        platform::close_file(fd);
        if (err != EWOULDBLOCK) return cannot(err);
        if (std::chrono::steady_clock::now() >= deadline) {
            why = target + ": another program is changing this archive; gave up waiting for it";
            return UNLHA_ERR_WRITE;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

} // namespace lzh
