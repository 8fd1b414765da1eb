// The commands that change archives: "d" deletes members, "a" adds files
// and folders, "s" makes a self-extracting program.  Each writes a new file
// and renames it into place (rewrite.h).
#pragma once

#include "header.h"
#include "methods.h"
#include "output.h"
#include "progress.h"

#include <string>
#include <vector>

namespace lzh {

UnlhaResult delete_members(const std::string &archive, const std::vector<std::string> &names, Output &out,
                           ProgressWatcher *watcher = nullptr, NameCode name_code = NameCode::automatic);

// How "a" adds.  The defaults are the command text's "a".
struct AddOptions {
    // One we encode, or -lh0- to store every file; either way a file that
    // compression does not make smaller is stored.
    const MethodInfo *method = find_method(kDefaultMethod);
    // The best mode: each file's matches and literals chosen by what they
    // cost in its blocks; the smallest archives, several times slower.
    bool best = false;
    // The level-2 header unless asked; generic leaves folders out.  The
    // old members' names are read in the form its names are written in.
    HeaderFormat format;
    // Each path is stored as given, relative (a leading "/" and "." parts
    // dropped, "." itself adds what the folder holds; a path with ".." is
    // refused), instead of under its own name.
    bool paths_as_given = false;
    bool skip_archive = false;  // the archive itself, met among the paths, is left out without failing
    bool update = false;  // a member already there is replaced only by a newer file (else kept as it is)
    bool create = false;  // the old members are dropped: the archive holds what is added, nothing else
    std::vector<std::string> excludes = {};  // what is not added, nor anything below it (match.h: excluded)
    // Once the new archive is in place, the files, links and folders it got
    // are deleted (a folder once it is empty); one changed since it was
    // read stays, with a line saying so.
    bool remove_added = false;
    // Everything decided as above and told to the watcher (each member
    // added or replaced, MemberWork saying which), with nothing written or
    // locked.
    bool dry_run = false;
};

// Files are compressed with `method` (one we encode), or stored where that
// does not make them smaller.
UnlhaResult add_paths(const std::string &archive, const std::vector<std::string> &paths, const MethodInfo &method,
                      Output &out, ProgressWatcher *watcher = nullptr);
UnlhaResult add_paths(const std::string &archive, const std::vector<std::string> &paths, const AddOptions &options,
                      Output &out, ProgressWatcher *watcher = nullptr);

// Writes FOLDER/<archive name without extension>.exe.
UnlhaResult make_self_extractor(const std::string &archive, const std::string &folder, Output &out,
                                ProgressWatcher *watcher = nullptr);

} // namespace lzh
