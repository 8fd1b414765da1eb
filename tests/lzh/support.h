// Helpers shared by the archiver library's tests: temporary folders, the
// command dispatcher with its text captured, files, the corpus manifest.
#pragma once

#include "header.h"
#include "output.h"
#include "run.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace lzh::test {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }
    fs::path operator/(const std::string &name) const { return path_ / name; }

private:
    fs::path path_;
};

class StringOutput : public Output {
public:
    void line(std::string_view text) override {
        text_.append(text);
        text_.append(kNewline);
    }
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

struct CmdResult {
    int rc;
    std::string text;
};
CmdResult unlha(const std::string &command);

// Runs a shell command; returns its exit status.
int sh(const std::string &command);
// Runs a shell command and returns what it printed.
std::string sh_output(const std::string &command);
bool have_tool(const std::string &name);

std::string read_file(const fs::path &p);
void write_file(const fs::path &p, const std::string &data);
std::string quote(const std::string &s);  // "..." for command texts, a " in it doubled
std::string shell_quote(const std::string &s);
std::uint32_t crc32_of(const std::string &data);
// `n` bytes that do not compress, the same for the same seed.
std::string noise(std::size_t n, std::uint32_t seed);

const fs::path &corpus_dir();
const nlohmann::json &manifest();
// Whether the manifest says an archive is cut short (a member's data runs past its end).
bool cut_short(const nlohmann::json &archive);

// The members of an archive that must read without error (a test failure
// otherwise), as the reader finds them.
std::vector<Member> members_of(const std::string &archive);

// Lines of a listing text.
std::vector<std::string> lines_of(const std::string &text);
// The path column (72 on, up to a TAB) of each member line of `unlha l`, in listing order.
std::vector<std::string> listed_paths(const std::string &archive);

} // namespace lzh::test

namespace lzh::test {
// The UTF-16 code units of a UTF-8 text (listing columns count these).
std::u16string utf16(const std::string &utf8);
std::string utf8(const std::u16string &u16);
} // namespace lzh::test

namespace lzh::test {

// A member written by hand for hostile, damaged and foreign archives: a
// header of the level given with the raw name bytes given (so "/", "..",
// "C:" stay as they are), stored (-lh0-) data unless the method says
// otherwise, and optionally a Unix mode (a link when the name is
// "name|target" and the mode says so).
struct RawMember {
    std::string name;
    std::string data;
    std::uint16_t unix_mode = 0;       // 0: none (level 0: no Unix extension area)
    std::string method = "-lh0-";
    int crc_delta = 0;                 // added to the true CRC-16 to damage it
    std::uint64_t claimed_original = ~0ull;  // overrides the original size
    std::uint64_t claimed_packed = ~0ull;    // overrides the packed size
    int level = 0;                     // 0, 1 or 2
    char os_id = 'U';                  // levels 1 and 2
    bool omit_crc = false;             // level 0: no CRC field after the name
    // Levels 1 and 2: extension headers (type, data) after the name's; a
    // level-2 name goes in a 0x01 header of its own when not empty.
    std::vector<std::pair<std::uint8_t, std::string>> extensions;
};
std::string raw_member(const RawMember &m);
// Members followed by the end mark.
std::string raw_archive(const std::vector<RawMember> &members);

} // namespace lzh::test
