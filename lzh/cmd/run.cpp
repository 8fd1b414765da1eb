#include "run.h"

#include "command.h"
#include "extract.h"
#include "list.h"
#include "modify.h"

namespace lzh {
namespace {

UnlhaResult run_list(const Command &cmd, Output &out, ProgressWatcher *w) {
    return list_archive(cmd.archive, out, w, cmd.name_code);
}
UnlhaResult run_extract(const Command &cmd, Output &out, ProgressWatcher *w) {
    ExtractRequest req{cmd.archive, cmd.folder, cmd.names, cmd.overwrite};
    req.name_code = cmd.name_code;
    return extract_archive(req, out, w);
}
UnlhaResult run_test(const Command &cmd, Output &out, ProgressWatcher *w) {
    return test_archive(cmd.archive, cmd.names, out, w, cmd.name_code);
}
UnlhaResult run_delete(const Command &cmd, Output &out, ProgressWatcher *w) {
    return delete_members(cmd.archive, cmd.names, out, w, cmd.name_code);
}
UnlhaResult run_add(const Command &cmd, Output &out, ProgressWatcher *w) {
    AddOptions options;
    options.method = cmd.method;
    options.best = cmd.best;
    options.format.names = cmd.name_code;
    return add_paths(cmd.archive, cmd.names, options, out, w);
}
UnlhaResult run_sfx(const Command &cmd, Output &out, ProgressWatcher *w) {
    return make_self_extractor(cmd.archive, cmd.folder, out, w);
}

// -names=CODE, where a command takes it, says the form of the archive's
// names (names.h: sjis, euc, utf8, cap); without it they are read by what
// the archive says or by guessing, and written in Shift_JIS where that
// holds them, else UTF-8.
constexpr CommandSpec kCommands[] = {
    {"l", "[-names=CODE] ARCHIVE", "list the members", false, run_list},
    {"xe", "[-c] [-names=CODE] ARCHIVE [FOLDER/] [NAMES...]", "extract (-c replaces existing files)", true, run_extract},
    {"t", "[-names=CODE] ARCHIVE [NAMES...]", "test: decode and check the members, writing nothing", false, run_test},
    {"d", "[-names=CODE] ARCHIVE [FOLDER/] NAMES...", "delete members", true, run_delete},
    {"a", "[-o5|-o6|-o7] [-b] [-names=CODE] ARCHIVE PATHS...", "add files and folders (-lh5- by default; -b: smallest, slower)",
     false, run_add},
    {"s", "ARCHIVE FOLDER", "make FOLDER/ARCHIVE.exe, a self-extracting program", true, run_sfx},
};

} // namespace

std::span<const CommandSpec> commands() { return kCommands; }

UnlhaResult run_command(std::string_view text, Output &out, ProgressWatcher *watcher) {
    Command cmd;
    std::string error;
    if (!parse_command(text, cmd, error)) {
        out.error(error);
        return UNLHA_ERR_COMMAND;
    }
    return find_command(std::string_view(&cmd.verb, 1))->run(cmd, out, watcher);
}

} // namespace lzh
