// unlha: the archiver library from the command line.
//   unlha l ARCHIVE | x [-c] ARCHIVE [FOLDER/] [NAMES...] | d ARCHIVE NAMES...
//         a [-o5|-o6|-o7] ARCHIVE PATHS... | s ARCHIVE FOLDER
// The arguments become one command text; the exit status is the result.
#include "output.h"
#include "run.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fputs("usage: unlha l|x|d|a|s [switches] ARCHIVE [FOLDER/] [NAMES...]\n", stderr);
        return 1;
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
    return rc;
}
