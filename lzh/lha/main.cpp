// lha: the classic Unix archiver's command line over libunlha32, for the
// archive managers that run a program of that name and read what it prints.
//
//   options       the command line: key, modifiers, archive, files
//   listing       the l and v columns
//   list_command  reads the archive and prints the listing
//   archive_name  ARCHIVE with its .lzh or .lzs left off
//   commands      x e p t a u m c d over the library's commands
//   messages      the per-member lines they print

#include "commands.h"

#include "list_command.h"
#include "morvane_version.h"
#include "options.h"
#include "platform.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr const char *kHelp =
    "usage: lha [-]KEY[MODIFIERS] ARCHIVE [FILE...]\n"
    "keys:\n"
    "  a  add or replace          x, e  extract\n"
    "  u  update newer files      l, v  list / list with packed size, method, CRC\n"
    "  m  move (add, then delete) t     test\n"
    "  c  create anew             p     print to standard output\n"
    "  d  delete from the archive\n"
    "modifiers:\n"
    "  q[012]  quiet (q, q2: nothing; q1: no progress)   v  verbose\n"
    "  n  show, do not execute      f  overwrite when extracting\n"
    "  i  ignore stored folders     o5 o6 o7  method (-lh5- by default)\n"
    "  z  store without compression g  generic format\n"
    "  0 1 2  header level (2 by default)\n"
    "  d  delete the files after adding\n"
    "  w=DIR  extract into DIR      x=PATTERN  exclude\n"
    "long options, after the key:\n"
    "  --archive-kanji-code=CODE   the names in the archive: sjis, euc, utf8 or cap (read as\n"
    "                              the archive says or guessed, written in Shift_JIS where it\n"
    "                              holds them, else UTF-8, without it)\n"
    "  --system-kanji-code=utf8    the names here (UTF-8, the only form)\n"
    "  --best                      the smallest archive, several times slower (a u m c)\n";

} // namespace

int main(int argc, char **argv) {
    // Killed by a person or the session: no half-written file stays behind.
    lzh::platform::remove_temporaries_on_signals();
    std::vector<std::string> args(argv + 1, argv + argc);
    lha::ParseResult parsed = lha::parse_command_line(args);
    switch (parsed.kind) {
    case lha::ParseResult::Kind::help:
        std::fputs(kHelp, stdout);
        return 0;
    case lha::ParseResult::Kind::version:
        std::printf("lha (Morvane) %s\n", MORVANE_VERSION);
        return 0;
    case lha::ParseResult::Kind::error:
        std::fprintf(stderr, "LHa: Error: %s\n", parsed.error.c_str());
        return 2;
    case lha::ParseResult::Kind::run:
        break;
    }
    const lha::Options &o = parsed.options;
    switch (o.key) {
    case 'l':
    case 'v': return lha::list_command(o, std::time(nullptr), stdout, stderr);
    case 'd': return lha::delete_command(o, stdout, stderr);
    case 'a':
    case 'u':
    case 'm':
    case 'c': return lha::add_command(o, stdout, stderr);
    default: return lha::extract_command(o, stdout, stderr);  // x e p t
    }
}
