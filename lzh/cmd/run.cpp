#include "run.h"

#include "command.h"
#include "extract.h"
#include "list.h"

namespace lzh {

int run_command(std::string_view text, Output &out) {
    Command cmd;
    std::string error;
    if (!parse_command(text, cmd, error)) {
        out.line(error);
        return 1;
    }
    switch (cmd.verb) {
    case 'l':
        return list_archive(cmd.archive, out);
    case 'x':
        return extract_archive({cmd.archive, cmd.folder, cmd.names, cmd.overwrite}, out);
    default:
        out.line(std::string("command \"") + cmd.verb + "\" is not available in this build");
        return 1;
    }
}

} // namespace lzh
