// Fuzzes the command-text parser and the member-name matcher.
#include "command.h"
#include "match.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    lzh::Command cmd;
    std::string error;
    if (lzh::parse_command(text, cmd, error)) {
        lzh::MemberMatcher matcher(cmd.names);
        lzh::Member m;
        m.path = cmd.archive;
        matcher.matches(m);
        matcher.unmatched();
    }
    // Patterns against texts, split at the first newline.
    std::size_t nl = text.find('\n');
    if (nl != std::string::npos) lzh::wildcard_match(text.substr(0, nl), text.substr(nl + 1));
    return 0;
}
