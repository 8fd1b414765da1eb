// The "x" command: members out of an archive into a folder, safely; and
// "t", which checks them without writing.
#pragma once

#include "io.h"
#include "names.h"
#include "output.h"
#include "progress.h"

#include <string>
#include <vector>

namespace lzh {

struct ExtractRequest {
    std::string archive;
    std::string folder;               // "" for the current folder
    std::vector<std::string> names;   // empty or "*.*" for all
    bool overwrite = false;           // -c: replace existing files
    // An existing file that is not replaced is kept without counting as a
    // failure: no line, and the watcher hears MemberOutcome::kept.
    bool skip_existing = false;
    bool flat = false;                   // each file into the folder itself, under its own name; no folders made
    std::vector<std::string> excludes = {};  // members left out (match.h: excluded)
    ByteSink *stream = nullptr;          // the files' data, one after another, into this; nothing on disk
    // Everything decided as above and told to the watcher (done, kept or
    // failed), with nothing written and no folder made.
    bool dry_run = false;
    NameCode name_code = NameCode::automatic;  // the names' form, where a person names it
};

// Extracts the matching members; every failure is one line on `out`.
// Returns 0, or the first failing result.
UnlhaResult extract_archive(const ExtractRequest &req, Output &out, ProgressWatcher *watcher = nullptr);

// The "t" command: decodes the matching members and checks their CRCs,
// writing nothing.  One line per damaged member (UNLHA_ERR_DATA; a member
// the archive ends inside is UNLHA_ERR_FORMAT, as for "l").
UnlhaResult test_archive(const std::string &archive, const std::vector<std::string> &names, Output &out,
                         ProgressWatcher *watcher = nullptr, NameCode name_code = NameCode::automatic);

} // namespace lzh
