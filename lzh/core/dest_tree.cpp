#include "dest_tree.h"

#include "file_io.h"

#include <cerrno>

namespace lzh {
namespace {

// What files and links being extracted are called until they are whole.
constexpr std::string_view kPartTag = ".unlha-part-";

bool is_drive(const std::string &s) {
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

std::vector<std::string> split_slash(const std::string &p) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            if (i > start) parts.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

} // namespace

std::optional<std::vector<std::string>> safe_parts(const std::string &stored, std::string &why) {
    if (stored.find('\0') != std::string::npos) {
        why = "name holds a NUL character";
        return std::nullopt;
    }
    std::vector<std::string> raw = split_slash(stored), parts;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::string p = raw[i];
        if (i == 0 && is_drive(p)) p = p.substr(2);  // "C:" or "C:name"
        if (p.empty() || p == ".") continue;
        if (p == "..") {
            why = "path climbs out of the folder with \"..\"";
            return std::nullopt;
        }
        parts.push_back(std::move(p));
    }
    if (parts.empty()) {
        why = "path names no file";
        return std::nullopt;
    }
    return parts;
}

bool link_target_is_safe(const std::vector<std::string> &link_parts, const std::string &target) {
    if (target.empty() || target[0] == '/' || is_drive(target)) return false;
    // Climbing is allowed only at the start, through the real folders that
    // hold the link; after a downward step a ".." could climb out of
    // another link's target.
    long depth = static_cast<long>(link_parts.size()) - 1;
    bool descended = false;
    for (const std::string &p : split_slash(target)) {
        if (p == ".") continue;
        if (p == "..") {
            if (descended || --depth < 0) return false;
        } else {
            descended = true;
        }
    }
    return true;
}

DestinationTree::~DestinationTree() {
    if (cached_fd_ >= 0) platform::close_file(cached_fd_);
    if (root_ >= 0) platform::close_file(root_);
}

int DestinationTree::open_dir_at(int at, const std::string &name, bool create, std::string &why) {
    unsafe_ = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = platform::open_folder_at(at, name);
        if (fd >= 0) return fd;
        int err = errno;
        if (err == ENOENT && create && attempt == 0) {
            if (platform::make_folder_at(at, name) || errno == EEXIST) continue;
            why = "cannot create folder \"" + name + "\": " + error_text(errno);
            return -1;
        }
        if (err == ELOOP || err == ENOTDIR) {
            unsafe_ = platform::entry_at(at, name) == platform::EntryKind::link;
            if (unsafe_)
                why = "\"" + name + "\" is a symbolic link; nothing is written through it";
            else
                why = "\"" + name + "\" is not a folder";
        } else {
            why = "cannot open folder \"" + name + "\": " + error_text(err);
        }
        return -1;
    }
    return -1;
}

bool DestinationTree::open(const std::string &folder, std::string &why) {
    std::string f = folder.empty() ? "." : folder;
    root_ = platform::open_folder(f);
    if (root_ >= 0) return true;
    if (errno != ENOENT) {
        why = folder + ": " + error_text(errno);
        return false;
    }
    // Create the missing folders from the first one that exists.
    bool absolute = f[0] == '/';
    // The folder a person named: links on its way are theirs to follow.
    int at = platform::open_folder(absolute ? "/" : ".");
    for (const std::string &p : split_slash(f)) {
        if (p != ".." && !platform::make_folder_at(at, p) && errno != EEXIST) {
            why = folder + ": " + error_text(errno);
            platform::close_file(at);
            return false;
        }
        const int next = platform::open_folder_at(at, p, true);
        platform::close_file(at);
        if (next < 0) {
            why = folder + ": " + error_text(errno);
            return false;
        }
        at = next;
    }
    root_ = at;
    return true;
}

int DestinationTree::parent_of(const std::vector<std::string> &parts, std::string &why) {
    std::vector<std::string> dirs(parts.begin(), parts.end() - 1);
    if (dirs.empty()) return root_;
    if (cached_fd_ >= 0 && dirs == cached_parts_) return cached_fd_;
    int at = root_;
    for (const std::string &d : dirs) {
        int fd = open_dir_at(at, d, true, why);
        if (at != root_) platform::close_file(at);
        if (fd < 0) return -1;
        at = fd;
    }
    sweep(at);
    if (cached_fd_ >= 0) platform::close_file(cached_fd_);
    cached_fd_ = at;
    cached_parts_ = std::move(dirs);
    return at;
}

void DestinationTree::defer_directory(const std::vector<std::string> &parts, std::optional<std::uint16_t> mode,
                                      std::int64_t mtime) {
    deferred_.push_back({parts, mode, mtime});
}

void DestinationTree::finish() {
    // Deepest first, so setting a folder's time is not undone below it.
    for (auto it = deferred_.rbegin(); it != deferred_.rend(); ++it) {
        std::string why;
        int parent = parent_of(it->parts, why);
        if (parent < 0) continue;
        int fd = open_dir_at(parent, it->parts.back(), false, why);
        if (fd < 0) continue;
        std::optional<unsigned> mode;
        if (it->mode) mode = *it->mode & 0777u;
        platform::set_mode_and_time(fd, mode, it->mtime);
        platform::close_file(fd);
    }
    deferred_.clear();
}

void DestinationTree::sweep(int dir) {
    // Only files whose writer is gone: another run may be writing here now.
    if (auto id = platform::file_id(dir); id && swept_.insert({id->device, id->inode}).second)
        platform::remove_abandoned(dir, [](std::string_view n) { return platform::is_temporary_with_tag(n, kPartTag); });
}

bool DestinationTree::start_file(int dir, const std::string &name, platform::TempFile &file) {
    // A folder is swept when parent_of opens it, the root here.
    if (dir == root_ && !root_swept_) {
        root_swept_ = true;
        sweep(dir);
    }
    return file.create(dir, platform::temporary_prefix(name, kPartTag));
}

bool DestinationTree::make_link(int dir, const std::string &name, const std::string &target, bool replace) {
    if (!replace) return platform::make_link_at(target, dir, name);
    const std::string temp = platform::temporary_name(name, kPartTag);
    if (!platform::make_link_at(target, dir, temp)) return false;
    if (platform::rename_at(dir, temp, dir, name, true)) return true;
    const int err = errno;
    platform::remove_at(dir, temp);
    errno = err;
    return false;
}

} // namespace lzh
