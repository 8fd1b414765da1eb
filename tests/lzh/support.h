// Helpers shared by the archiver library's tests: temporary folders, the
// command dispatcher with its text captured, files, the corpus manifest.
#pragma once

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
std::string quote(const std::string &s);  // "..." for command texts
std::string shell_quote(const std::string &s);
std::uint32_t crc32_of(const std::string &data);

const fs::path &corpus_dir();
const nlohmann::json &manifest();

// Lines of a listing text.
std::vector<std::string> lines_of(const std::string &text);

} // namespace lzh::test

namespace lzh::test {
// The UTF-16 code units of a UTF-8 text (listing columns count these).
std::u16string utf16(const std::string &utf8);
std::string utf8(const std::u16string &u16);
} // namespace lzh::test
