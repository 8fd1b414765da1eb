// The folder that members are extracted into, and the rules that keep every
// write inside it: stored paths lose leading separators and drive letters,
// a ".." part is refused, every folder on the way is opened without
// following symbolic links, files are written beside their final name and
// renamed into place, and a link is made only when its target stays inside.
#pragma once

#include "header.h"
#include "platform.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lzh {

// The parts of a stored path that are safe to create below the folder, or
// nullopt (with `why`) when the path must be refused.
std::optional<std::vector<std::string>> safe_parts(const std::string &stored_path, std::string &why);

// True when a link at `link_parts` (its own path below the folder) with this
// target resolves inside the folder, whatever the other links there do.
bool link_target_is_safe(const std::vector<std::string> &link_parts, const std::string &target);

class DestinationTree {
public:
    DestinationTree() = default;
    ~DestinationTree();
    DestinationTree(const DestinationTree &) = delete;
    DestinationTree &operator=(const DestinationTree &) = delete;

    // Opens the folder, creating it and its parents when missing.
    bool open(const std::string &folder, std::string &why);

    // Opens the folder that will hold parts.back(), creating the folders on
    // the way.  Returns a descriptor owned by the tree, or -1 with `why`.
    int parent_of(const std::vector<std::string> &parts, std::string &why);
    // Whether the last failure was a symbolic link in the way (a refusal)
    // rather than a folder that could not be made.
    bool last_failure_unsafe() const { return unsafe_; }

    // Starts the file that will be `name` in `dir` (a folder of parent_of)
    // as a temporary beside it (platform::TempFile), to be placed once whole.
    // Before the first file in a folder, temporaries that killed runs left
    // there are removed.  False with errno.
    bool start_file(int dir, const std::string &name, platform::TempFile &file);
    // Makes the link `name` in `dir`; over what is there when `replace`.
    // False with errno.
    bool make_link(int dir, const std::string &name, const std::string &target, bool replace);

    // Records a directory's mode and time, applied by finish() once its
    // files are in (writing them would change the time again).
    void defer_directory(const std::vector<std::string> &parts, std::optional<std::uint16_t> mode, std::int64_t mtime);
    void finish();

    // Whether this run already wrote the path: a later member of the same
    // archive replaces it even without permission to overwrite.
    bool written_this_run(const std::string &joined) const { return written_.count(joined) != 0; }
    void mark_written(const std::string &joined) { written_.insert(joined); }

private:
    int open_dir_at(int at, const std::string &name, bool create, std::string &why);
    void sweep(int dir);
    struct Deferred {
        std::vector<std::string> parts;
        std::optional<std::uint16_t> mode;
        std::int64_t mtime;
    };
    int root_ = -1;
    bool unsafe_ = false;
    // The last parent folder opened, kept open for the next member.
    std::vector<std::string> cached_parts_;
    int cached_fd_ = -1;
    std::vector<Deferred> deferred_;
    std::set<std::string> written_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> swept_;  // folders whose abandoned temporaries are gone
    bool root_swept_ = false;
};

} // namespace lzh
