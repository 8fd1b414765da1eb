// The `lha` command line: `lha [-]KEY[MODIFIERS] [-MODIFIERS...] ARCHIVE [FILE...]`.
//
// Parsing only records what was asked; what each key does with a modifier
// is decided where the key runs.  Long options (--archive-kanji-code=CODE,
// --system-kanji-code=utf8) go among the modifier words, by their whole name
// or any start of it that names one alone, their value after "=" or in the
// next word.  Modifiers act in the order given, as the
// archive managers that drive this program expect: "g" asks for header
// level 0, so "g1" ends at level 1.
#pragma once

#include "names.h"

#include <optional>
#include <string>
#include <vector>

namespace lha {

struct Options {
    char key = 0;  // one of "aumcxelvtpd"

    // q alone and q2: no output at all; q1: no progress indicator; q0: normal.
    std::optional<int> quiet;
    int verbose = 0;               // v, counted
    bool no_execute = false;       // n
    bool force = false;            // f
    bool ignore_folders = false;   // i
    std::string method = "-lh5-";  // o5, o6, o7; z stores
    bool best = false;             // --best: the compressor's best mode
    bool generic = false;          // g
    int header_level = 2;          // 0, 1, 2
    bool delete_after = false;     // d (and the key m)
    std::string extract_dir;       // w=DIR
    std::vector<std::string> excludes;  // x=PATTERN, in order
    // --archive-kanji-code=sjis|euc|utf8|cap: the form of the names in the
    // archive, for reading and writing.
    lzh::NameCode archive_names = lzh::NameCode::automatic;

    std::string archive;
    std::vector<std::string> files;

    // The listing modifiers as the listing keys read them.
    bool silent() const { return quiet && *quiet == 2; }
};

// What the command line asks for: a run, the help text, the version, or a
// mistake with one line saying what is wrong.
struct ParseResult {
    enum class Kind { run, help, version, error } kind = Kind::run;
    Options options;
    std::string error;
};

ParseResult parse_command_line(const std::vector<std::string> &args);

// "usage: lha [-]KEY[MODIFIERS] ARCHIVE [FILE...]"
extern const char *const kUsage;

} // namespace lha
