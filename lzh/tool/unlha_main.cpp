// unlha: the archiver library from the command line.  The arguments become
// one command text; the exit status is the result.
#include "command.h"
#include "output.h"
#include "run.h"

#include <cstdio>
#include <string>

namespace {

void usage() {
    std::fputs("usage:\n", stderr);
    for (const lzh::CommandSpec &c : lzh::commands())
        std::fprintf(stderr, "  unlha %c %-36.*s %.*s\n", c.verbs[0], int(c.usage.size()), c.usage.data(),
                     int(c.what.size()), c.what.data());
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        usage();
        return UNLHA_ERR_COMMAND;
    }
    std::string text;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i > 1) text += ' ';
        // An argument with a blank, or an empty one, keeps its bounds.
        if (arg.empty() || arg.find(' ') != std::string::npos) text += '"' + arg + '"';
        else text += arg;
    }
    lzh::StreamOutput out(stdout);
    int rc = lzh::run_command(text, out);
    std::fflush(stdout);
    if (rc == UNLHA_ERR_COMMAND && !lzh::find_command(argv[1])) usage();
    return rc;
}
