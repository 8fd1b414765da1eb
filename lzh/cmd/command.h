// A command text split into its verb, switches, archive, folder and names.
//
//   x -c "/home/me/a b.lzh" "/tmp/out/" "docs/read me.txt"
//
// Words are separated by one or more blanks; double quotes group a word and
// are not part of it; an unquoted word starting with "-" is a switch; the
// word after the archive that ends with a path separator is the folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lzh {

struct Command {
    char verb = 0;            // 'l', 'x', 'd', 'a' or 's'
    bool overwrite = false;   // -c
    int method = 5;           // -o5 (the default), -o6, -o7
    std::string archive;
    std::string folder;       // empty when none was given
    std::vector<std::string> names;
};

struct ParsedWord {
    std::string text;
    bool quoted = false;
};

// Splits at blanks outside double quotes.  An unclosed quote runs to the end.
std::vector<ParsedWord> split_command_words(std::string_view text);

// Parses a whole command text.  False with `error` set for an unknown verb,
// an unknown switch, or a missing archive.
bool parse_command(std::string_view text, Command &cmd, std::string &error);

} // namespace lzh
