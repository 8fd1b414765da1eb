#include "run.h"

#include "command.h"
#include "extract.h"
#include "list.h"
#include "modify.h"

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
    case 'd':
        return delete_members(cmd.archive, cmd.names, out);
    case 'a':
        return add_paths(cmd.archive, cmd.names, cmd.method, out);
    case 's':
        return make_self_extractor(cmd.archive, cmd.folder, out);
    }
    out.line(std::string("unknown command \"") + cmd.verb + "\"");
    return 1;
}

} // namespace lzh
