// A command text split into its verb, switches, archive, folder and names,
// and the table of commands that the parser, the dispatcher and the `unlha`
// tool's usage text all read.
//
//   x -c "/home/me/a b.lzh" "/tmp/out/" "docs/read me.txt"
//
// Words are separated by one or more blanks; double quotes group a word and
// are not part of it, and inside them "" stands for one " of the word (so
// any file name can be written); an unquoted word starting with "-" is a
// switch; the
// word after the archive that ends with a path separator is the folder (for
// the commands that take one).
#pragma once

#include "methods.h"
#include "names.h"
#include "output.h"
#include "progress.h"
#include "unlha32.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lzh {

struct Command {
    char verb = 0;            // the table's verb ('e' arrives as 'x')
    bool overwrite = false;   // -c
    const MethodInfo *method = find_method(kDefaultMethod);  // -o5 (the default), -o6, -o7
    bool best = false;        // -b: the best mode of "a"
    NameCode name_code = NameCode::automatic;                // -names=sjis|euc|utf8|cap
    std::string archive;
    std::string folder;       // empty when none was given
    std::vector<std::string> names;
};

struct CommandSpec {
    std::string_view verbs;   // the verb, then its aliases
    std::string_view usage;   // the words after the verb, for usage texts
    std::string_view what;    // what it does, a few words
    bool takes_folder;        // a word after the archive ending in a separator is FOLDER/
    UnlhaResult (*run)(const Command &cmd, Output &out, ProgressWatcher *watcher);
};

std::span<const CommandSpec> commands();
// The command for `verb` (an alias included), or nullptr.
const CommandSpec *find_command(std::string_view verb);

struct ParsedWord {
    std::string text;
    bool quoted = false;
};

// Splits at blanks outside double quotes.  An unclosed quote runs to the end.
std::vector<ParsedWord> split_command_words(std::string_view text);

// `word` as one word of a command text: as it is, or between quotes (with
// each " doubled) when it is empty or holds a blank or a quote.
std::string command_word(std::string_view word);

// Parses a whole command text.  False with `error` set for an unknown verb,
// an unknown switch, or a missing archive.
bool parse_command(std::string_view text, Command &cmd, std::string &error);

} // namespace lzh
