// The self-extracting program: this executable with an LZH archive after
// it.  Started, it extracts its members into the folder it is started from,
// under the same rules as the library (nothing outside the folder, no file
// through a link, every CRC checked).
#include "extract.h"
#include "list.h"
#include "output.h"
#include "platform.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void usage(const char *argv0) {
    std::fprintf(stderr,
                 "usage: %s [-l] [-c] [-d FOLDER]\n"
                 "  extracts the archive it carries into the current folder\n"
                 "  -l         list the members instead\n"
                 "  -c         replace files that exist (they are kept otherwise)\n"
                 "  -d FOLDER  extract into FOLDER\n",
                 argv0);
}

} // namespace

int main(int argc, char **argv) {
    lzh::platform::remove_temporaries_on_signals();  // no half-extracted file stays behind
    bool list = false, overwrite = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-l") == 0) list = true;
        else if (std::strcmp(argv[i], "-c") == 0) overwrite = true;
        else if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc) folder = argv[++i];
        else {
            usage(argv[0]);
            return 1;
        }
    }
    // The archive is this very file, read past the program's own bytes.
    const std::string self = "/proc/self/exe";
    lzh::StreamOutput out(list ? stdout : stderr, stderr);
    int rc = list ? lzh::list_archive(self, out) : lzh::extract_archive({self, folder, {}, overwrite}, out);
    std::fflush(stdout);
    return rc;
}
