#include "support.h"

#include "archive.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace lzh::test {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "lzhtest-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make read-only folders; make them writable again to remove them.
    sh("chmod -R u+rwx " + shell_quote(path_.string()) + " 2>/dev/null");
    fs::remove_all(path_, ec);
}

CmdResult unlha(const std::string &command) {
    StringOutput out;
    int rc = run_command(command, out);
    return {rc, out.text()};
}

int sh(const std::string &command) {
    int st = std::system(command.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string sh_output(const std::string &command) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

bool have_tool(const std::string &name) { return sh("command -v " + name + " >/dev/null 2>&1") == 0; }

std::string read_file(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_file(const fs::path &p, const std::string &data) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string quote(const std::string &s) {
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string shell_quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string noise(std::size_t n, std::uint32_t seed) {
    std::string s(n, '\0');
    for (auto &c : s) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
    return s;
}

std::uint32_t crc32_of(const std::string &data) {
    return static_cast<std::uint32_t>(
        ::crc32(0L, reinterpret_cast<const Bytef *>(data.data()), static_cast<uInt>(data.size())));
}

const fs::path &corpus_dir() {
    static const fs::path dir = MORVANE_CORPUS_DIR;
    return dir;
}

const nlohmann::json &manifest() {
    static const nlohmann::json m = nlohmann::json::parse(read_file(corpus_dir() / "manifest.json"));
    return m;
}

bool cut_short(const nlohmann::json &archive) {
    for (const auto &m : archive["members"])
        if (m.value("optional_reason", std::string()).find("truncated") != std::string::npos) return true;
    return false;
}

std::vector<Member> members_of(const std::string &archive) {
    ArchiveReader reader;
    EXPECT_EQ(reader.open(archive), UNLHA_OK) << reader.error();
    std::vector<Member> out;
    for (Member m; reader.next(m);) out.push_back(m);
    EXPECT_EQ(reader.error_code(), UNLHA_OK) << reader.error();
    return out;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) lines.push_back(l);
    return lines;
}

std::vector<std::string> listed_paths(const std::string &archive) {
    std::vector<std::string> out;
    int seps = 0;
    for (const auto &l : lines_of(unlha("l " + quote(archive)).text)) {
        if (l.rfind("--", 0) == 0) { ++seps; continue; }
        if (seps == 1) out.push_back(utf8(utf16(l.substr(0, l.find('\t'))).substr(71)));
    }
    return out;
}

} // namespace lzh::test

namespace lzh::test {

std::u16string utf16(const std::string &s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        std::uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t k = 1; k < len && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string utf8(const std::u16string &u) {
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        std::uint32_t cp = u[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < u.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (u[++i] - 0xDC00);
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else if (cp < 0x10000) { out += static_cast<char>(0xE0 | (cp >> 12)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else { out += static_cast<char>(0xF0 | (cp >> 18)); out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    }
    return out;
}

} // namespace lzh::test

#include "crc16.h"

namespace lzh::test {

std::string raw_member(const RawMember &m) {
    auto le = [](std::string &s, std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put = [](std::string &s, std::size_t at, std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const std::uint16_t crc = static_cast<std::uint16_t>(
        lzh::crc16(reinterpret_cast<const std::uint8_t *>(m.data.data()), m.data.size()) + m.crc_delta);
    const std::uint64_t packed = m.claimed_packed != ~0ull ? m.claimed_packed : m.data.size();
    const std::uint64_t original = m.claimed_original != ~0ull ? m.claimed_original : m.data.size();
    std::vector<std::pair<std::uint8_t, std::string>> ext = m.extensions;
    if (m.level > 0 && m.unix_mode) {
        std::string mode;
        le(mode, m.unix_mode, 2);
        ext.insert(ext.begin(), {0x50, mode});
    }
    if (m.level == 2 && !m.name.empty()) ext.insert(ext.begin(), {0x01, m.name});
    // Extension headers, each followed by the size of the next; `first` is
    // the size of the first.
    std::string chain;
    std::uint16_t first = 0;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        std::uint16_t size = static_cast<std::uint16_t>(ext[i].second.size() + 3);
        if (i == 0) first = size;
        chain += static_cast<char>(ext[i].first);
        chain += ext[i].second;
        le(chain, i + 1 < ext.size() ? ext[i + 1].second.size() + 3 : 0, 2);
    }

    if (m.level == 2) {
        std::string h;
        le(h, 0, 2);  // total size, below
        h += m.method;
        le(h, packed, 4);
        le(h, original, 4);
        le(h, 1714716000u, 4);  // 2024-05-03 06:00:00 UTC
        h += '\x20';
        h += '\x02';
        le(h, crc, 2);
        h += m.os_id;
        le(h, first, 2);
        h += chain;
        put(h, 0, h.size(), 2);
        return h + m.data;
    }

    std::string h;
    h += m.method;
    le(h, packed + (m.level == 1 ? chain.size() : 0), 4);
    le(h, original, 4);
    le(h, 0x58A33000u, 4);  // 2024-05-03 06:00:00, DOS format
    h += '\x20';
    h += static_cast<char>(m.level);
    h += static_cast<char>(m.name.size());
    h += m.name;
    if (!m.omit_crc) le(h, crc, 2);
    if (m.level == 1) {
        h += m.os_id;
        le(h, first, 2);
    } else if (m.unix_mode) {
        h += 'U';
        h += '\0';
        le(h, 1714716000u, 4);
        le(h, m.unix_mode, 2);
        le(h, 1000, 2);
        le(h, 1000, 2);
    }
    std::uint8_t sum = 0;
    for (unsigned char c : h) sum = static_cast<std::uint8_t>(sum + c);
    std::string out;
    out += static_cast<char>(h.size());
    out += static_cast<char>(sum);
    return out + h + (m.level == 1 ? chain : std::string()) + m.data;
}

std::string raw_archive(const std::vector<RawMember> &members) {
    std::string a;
    for (const auto &m : members) a += raw_member(m);
    return a + std::string(1, '\0');
}

} // namespace lzh::test
