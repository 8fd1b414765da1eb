// Finding the archive and trusting nothing read on the way: a header that is
// there but damaged fails every command and changes nothing (at offset 0,
// after a self-extractor's program, or further on); a file that merely
// holds an archive is none; looking costs a bounded number of bytes; and a
// rewrite keeps every byte it does not own.
#include "archive.h"
#include "modify.h"
#include "program_part.h"
#include "support.h"

#include <gtest/gtest.h>

namespace lzh::test {
namespace {

class Finding : public ::testing::Test {
protected:
    TempDir d;
    std::string arc() const { return (d / "a.lzh").string(); }
    void SetUp() override {
        write_file(d / "src/a.txt", std::string(300, 'a'));
        write_file(d / "src/b.txt", "bravo\nbravo\nbravo\n");
        write_file(d / "src/c.txt", "charlie\n");
        write_file(d / "new.txt", "to be added");
    }
    // An archive of a.txt, b.txt and c.txt with headers of `level`.
    std::string ours(int level) {
        AddOptions o;
        o.format.level = level;
        StringOutput out;
        const std::string path = (d / ("made" + std::to_string(level) + ".lzh")).string();
        std::vector<std::string> files;
        for (const char *f : {"a.txt", "b.txt", "c.txt"}) files.push_back((d / "src" / f).string());
        EXPECT_EQ(add_paths(path, files, o, out), UNLHA_OK) << out.text();
        return read_file(path);
    }

    // What the commands did wrong with `bytes` as the archive: l, t and x
    // must fail, d and a must fail and leave the file byte for byte.
    std::string misdeeds(const std::string &bytes) {
        write_file(arc(), bytes);
        std::string wrong;
        for (const char *verb : {"l ", "t "})
            if (unlha(verb + quote(arc())).rc == UNLHA_OK) wrong += std::string(verb) + "succeeded; ";
        fs::remove_all(d / "out");
        if (unlha("x " + quote(arc()) + " " + quote((d / "out").string() + "/")).rc == UNLHA_OK) wrong += "x succeeded; ";
        if (unlha("d " + quote(arc()) + " \"*.*\"").rc == UNLHA_OK) wrong += "d succeeded; ";
        if (read_file(arc()) != bytes) {
            wrong += "d changed the file; ";
            write_file(arc(), bytes);
        }
        if (unlha("a " + quote(arc()) + " " + quote((d / "new.txt").string())).rc == UNLHA_OK) wrong += "a succeeded; ";
        if (read_file(arc()) != bytes) wrong += "a changed the file; ";
        return wrong;
    }

    // Each byte of [from, to) changed in turn (a low bit, the high bit, all
    // bits, or to 0), with what went wrong for each change.
    std::vector<std::string> sweep(const std::string &good, std::uint64_t from, std::uint64_t to) {
        std::vector<std::string> found;
        for (std::uint64_t i = from; i < to; ++i) {
            const auto old = static_cast<unsigned char>(good[i]);
            for (unsigned char now : {old ^ 0x01, old ^ 0x80, old ^ 0xFF, 0}) {
                if (now == old) continue;
                std::string bad = good;
                bad[i] = static_cast<char>(now);
                if (std::string wrong = misdeeds(bad); !wrong.empty())
                    found.push_back("byte " + std::to_string(i) + " = " + std::to_string(now) + ": " + wrong);
            }
        }
        return found;
    }
};

// Where the sweep takes its archive: ours at a level, or a corpus archive
// whose header CRC comes first among the extension headers.  A level-1
// header without one (lha_unix114i's) has extension headers nothing checks,
// and one with its CRC after another extension (lha213's) loses the CRC
// unnoticed when that extension's size of the next becomes 0.
struct Swept {
    const char *name;
    int level;
    const char *corpus;  // nullptr: ours
};

class DamagedHeaders : public Finding, public ::testing::WithParamInterface<Swept> {};

// One byte changed anywhere in the first header, or in the second: no
// command succeeds and no rewrite touches the file.  (Once, nearly every
// such byte made the reader search on and take the second member for the
// archive's start: a, t and x succeeded without the first, and d dropped it.)
TEST_P(DamagedHeaders, NoCommandSucceedsAndNoRewriteTouchesTheFile) {
    const Swept s = GetParam();
    const std::string good = s.corpus ? read_file(corpus_dir() / s.corpus) : ours(s.level);
    write_file(d / "good.lzh", good);
    const std::vector<Member> ms = members_of((d / "good.lzh").string());
    ASSERT_FALSE(ms.empty());
    for (const Member &m : ms) ASSERT_EQ(m.level, s.level);
    for (std::size_t k = 0; k < std::min<std::size_t>(ms.size(), 2); ++k) {
        SCOPED_TRACE("header " + std::to_string(k + 1));
        const std::vector<std::string> found = sweep(good, ms[k].header_offset, ms[k].header_offset + ms[k].header_size);
        EXPECT_TRUE(found.empty()) << found.size() << " changes went through:\n" << testing::PrintToString(found);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, DamagedHeaders,
                         ::testing::Values(Swept{"level0", 0, nullptr}, Swept{"level1", 1, nullptr},
                                           Swept{"level2", 2, nullptr},
                                           Swept{"level3_os2", 3, "lha_os2_208/h3_subdir.lzh"},
                                           // one member: a size byte one too large takes in the end mark
                                           Swept{"level1_windows", 1, "lhmelt_16536/h1_lh5.lzh"},
                                           Swept{"level2_unix", 2, "lha_unix114i/h2_subdir.lzh"}),
                         [](const auto &info) { return std::string(info.param.name); });

// Damage after the first member: the members before it are listed, and the
// line names the damaged header's offset.
TEST_F(Finding, DamageFurtherOnListsWhatComesBeforeAndNamesItsOffset) {
    const std::string good = ours(2);
    write_file(d / "good.lzh", good);
    const std::uint64_t second = members_of((d / "good.lzh").string())[1].header_offset;
    struct Case {
        const char *what;
        std::size_t at;
        char value;
    };
    for (const Case c : {Case{"its data's CRC", 21, '\x5A'}, Case{"its size byte", 0, '\0'}, Case{"its level", 20, '\x09'}}) {
        SCOPED_TRACE(c.what);
        std::string bad = good;
        bad[second + c.at] = c.value;
        write_file(arc(), bad);
        CmdResult l = unlha("l " + quote(arc()));
        EXPECT_EQ(l.rc, UNLHA_ERR_FORMAT);
        EXPECT_NE(l.text.find(" a.txt\n"), std::string::npos) << l.text;
        EXPECT_EQ(l.text.find("b.txt"), std::string::npos) << l.text;
        EXPECT_EQ(l.text.find("c.txt"), std::string::npos) << l.text;
        EXPECT_NE(l.text.find("damaged header at offset " + std::to_string(second)), std::string::npos) << l.text;
        CmdResult t = unlha("t " + quote(arc()));
        fs::remove_all(d / "out");
        CmdResult x = unlha("x " + quote(arc()) + " " + quote((d / "out").string() + "/"));
        EXPECT_EQ(t.rc, UNLHA_ERR_FORMAT) << t.text;
        EXPECT_EQ(x.rc, UNLHA_ERR_FORMAT) << x.text;
        EXPECT_EQ(read_file(d / "out/a.txt"), std::string(300, 'a'));  // what comes before is still extracted
    }
}

// A file that merely holds an archive is no archive, wherever it holds it:
// in a tar, or as the stored first member of another archive whose own
// first header is damaged.
TEST_F(Finding, AFileThatOnlyHoldsAnArchiveIsNone) {
    write_file(d / "inner.lzh", ours(2));
    write_file(d / "notes.txt", std::string(4000, 'n'));
    ASSERT_EQ(sh("cd " + shell_quote(d.path().string()) + " && tar -cf backup.tar inner.lzh notes.txt"), 0);
    const std::string tar = read_file(d / "backup.tar");
    EXPECT_EQ(misdeeds(tar), "");
    write_file(arc(), tar);
    CmdResult l = unlha("l " + quote(arc()));
    EXPECT_NE(l.text.find("not an LZH archive"), std::string::npos) << l.text;

    RawMember nested{"inner.lzh", read_file(d / "inner.lzh")};
    std::string outer = raw_archive({nested, {"outer.txt", "outer"}});
    outer[0] = static_cast<char>(outer[0] ^ 0x01);
    EXPECT_EQ(misdeeds(outer), "");
    CmdResult nested_l = unlha("l " + quote(arc()));
    EXPECT_EQ(nested_l.text.find("a.txt"), std::string::npos) << nested_l.text;
}

// Each corpus self-extractor, of each kind of program: its archive is found
// where that program ends, reading at most the search window and a few
// headers; damage to its first header fails every command.
TEST_F(Finding, SelfExtractorsArchivesAreFoundWhereTheirProgramsEnd) {
    struct Program {
        const char *file;
        ProgramKind kind;
        std::uint64_t archive_at;
    };
    const Program programs[] = {
        {"lha213/sfx.exe", ProgramKind::dos_exe, 1636},
        {"lhmelt_16536/sfx_winsfx32_213.exe", ProgramKind::pe, 31744},
        {"lhmelt_16536/sfx_winsfx32m_250.exe", ProgramKind::pe, 53248},
        {"lhmelt_16536/sfx_winsfx_213.exe", ProgramKind::ne, 14970},
        {"lhmelt_16536/sfx_winsfxm_250.exe", ProgramKind::ne, 16746},
        {"larc333/sfx.com", ProgramKind::dos_com, 594},
        {"lharc113/sfx.com", ProgramKind::dos_com, 1263},
        {"lha_amiga_122/sfx.run", ProgramKind::amiga_hunk, 6112},  // after the program's own usage archive
    };
    for (const Program &p : programs) {
        SCOPED_TRACE(p.file);
        ArchiveReader reader;
        ASSERT_EQ(reader.open((corpus_dir() / p.file).string()), UNLHA_OK) << reader.error();
        EXPECT_EQ(reader.first_header(), p.archive_at);
        EXPECT_LT(reader.bytes_read(), kProgramSearchBytes + 40 * 1024);
        EXPECT_EQ(find_program_part(reader, reader.size()).kind, p.kind);

        const std::string good = read_file(corpus_dir() / p.file);
        for (std::size_t at : {1u, 22u}) {
            std::string bad = good;
            bad[p.archive_at + at] = static_cast<char>(bad[p.archive_at + at] ^ 0xFF);
            EXPECT_EQ(misdeeds(bad), "") << "byte " << at << " of the header";
        }
    }
}

// Our own self-extractor (an ELF program): its archive starts where the
// program ends, and no byte of its first header can be damaged unnoticed.
TEST_F(Finding, OurSelfExtractorIsReadFromWhereItsProgramEnds) {
    write_file(d / "three.lzh", ours(2));
    CmdResult s = unlha("s " + quote((d / "three.lzh").string()) + " " + quote(d.path().string() + "/"));
    ASSERT_EQ(s.rc, UNLHA_OK) << s.text;
    const std::string exe = read_file(d / "three.exe");
    ArchiveReader reader;
    ASSERT_EQ(reader.open((d / "three.exe").string()), UNLHA_OK) << reader.error();
    EXPECT_EQ(find_program_part(reader, reader.size()).kind, ProgramKind::elf);
    EXPECT_EQ(reader.first_header(), exe.size() - fs::file_size(d / "three.lzh"));
    EXPECT_EQ(listed_paths((d / "three.exe").string()), std::vector<std::string>({"a.txt", "b.txt", "c.txt"}));
    Member first;
    ASSERT_TRUE(reader.next(first));
    const std::vector<std::string> found = sweep(exe, first.header_offset, first.header_offset + first.header_size);
    EXPECT_TRUE(found.empty()) << found.size() << " changes went through, the first: " << found.front();
}

// A program whose end its format does not give (a .COM file) is searched:
// a method id in its code that is no header is passed over, but a damaged
// first header is told from it by its member ending where the next begins.
TEST_F(Finding, InsideCodeADamagedFirstHeaderIsNotPassedOver) {
    const std::string code = std::string("\xEB\x40", 2) + "usage: -lh5- and -lh0- members" + std::string(40, '\x90');
    const std::string archive = raw_archive({{"one.txt", "1111"}, {"two.txt", "2222"}, {"three.txt", "3333"}});
    write_file(arc(), code + archive);
    EXPECT_EQ(listed_paths(arc()), std::vector<std::string>({"one.txt", "two.txt", "three.txt"}));
    std::string bad = code + archive;
    bad[code.size() + 1] = static_cast<char>(bad[code.size() + 1] ^ 0x20);  // the first header's checksum
    EXPECT_EQ(misdeeds(bad), "");
    EXPECT_NE(unlha("l " + quote(arc())).text.find("damaged header at offset " + std::to_string(code.size())),
              std::string::npos);
}

// Looking for an archive in a large file that holds none reads a bounded
// part of it, whatever the file begins with; the file is sparse, so a test
// that read it all would still be quick: the bytes read are counted.
TEST_F(Finding, LookingForAnArchiveReadsABoundedPartOfALargeFile) {
    auto le = [](std::uint64_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string mz(64, '\0');  // an MS-DOS program of 2 KiB, nothing after it
    mz.replace(0, 2, "MZ");
    mz.replace(4, 2, le(4, 2));
    std::string elf(64, '\0');  // a 64-bit ELF whose section table ends at 1 MiB
    elf.replace(0, 4, "\x7f" "ELF");
    elf[4] = 2;
    elf[5] = 1;
    elf.replace(0x28, 8, le((1 << 20) - 64 * 10, 8));
    elf.replace(0x3A, 2, le(64, 2));
    elf.replace(0x3C, 2, le(10, 2));
    const std::pair<const char *, std::string> starts[] = {
        {"text", "just some text, no archive\n"},
        {"zeros", std::string(32, '\0')},
        {"an MS-DOS program", mz},
        {"an ELF program", elf},
        {"a .COM program", std::string("\xE9\x10\x00 code", 8)},
        {"an Amiga program", std::string("\0\0\x03\xF3", 4)},
        {"an MS-DOS program of 32 MiB", std::string("MZ\x00\x00\xFF\xFF", 6) + std::string(58, '\0')},
    };
    for (const auto &[what, start] : starts) {
        SCOPED_TRACE(what);
        write_file(arc(), start);
        fs::resize_file(arc(), 64u << 20);
        ArchiveReader reader;
        EXPECT_EQ(reader.open(arc()), UNLHA_ERR_FORMAT);
        EXPECT_NE(reader.error().find("not an LZH archive"), std::string::npos) << reader.error();
        EXPECT_LT(reader.bytes_read(), kProgramSearchBytes + 40 * 1024);
    }
}

// A rewrite drops no byte it does not own: a self-extractor's program part
// and whatever follows the end mark (a signature, say) stay byte for byte.
TEST_F(Finding, RewritesKeepWhatLiesAroundTheMembers) {
    write_file(d / "three.lzh", ours(2));
    ASSERT_EQ(unlha("s " + quote((d / "three.lzh").string()) + " " + quote(d.path().string() + "/")).rc, UNLHA_OK);
    const std::string trailer = "-- signed: " + noise(300, 7);
    for (const fs::path &p : {d / "three.lzh", d / "three.exe"}) {
        SCOPED_TRACE(p.filename().string());
        const std::string before = read_file(p) + trailer;
        write_file(p, before);
        const std::uint64_t program = members_of(p.string())[0].header_offset;
        ASSERT_EQ(unlha("d " + quote(p.string()) + " b.txt").rc, UNLHA_OK);
        ASSERT_EQ(unlha("a " + quote(p.string()) + " " + quote((d / "new.txt").string())).rc, UNLHA_OK);
        const std::string after = read_file(p);
        EXPECT_EQ(after.substr(0, program), before.substr(0, program));
        ASSERT_GT(after.size(), trailer.size());
        EXPECT_EQ(after.substr(after.size() - trailer.size()), trailer);
        EXPECT_EQ(after[after.size() - trailer.size() - 1], '\0');  // the end mark before it
        EXPECT_EQ(listed_paths(p.string()), std::vector<std::string>({"a.txt", "c.txt", "new.txt"}));
    }
}

// Headers that chain a million extension headers are refused with a line
// that names the limit, at level 1 and at level 3.
TEST_F(Finding, AMillionExtensionHeadersAreRefusedNamingTheLimit) {
    RawMember l1{"many.txt", "data"};
    l1.level = 1;
    l1.extensions.assign(1000000, {0x3F, ""});
    auto le = [](std::uint64_t v, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += static_cast<char>(i < 8 ? (v >> (8 * i)) & 0xFF : 0);
        return out;
    };
    const std::uint64_t count = 1000000;  // each 5 bytes: its type and the size of the next
    std::string level3 = le(4, 2) + "-lh0-" + le(0, 12) + "\x20\x03" + le(0, 2) + "U" + le(32 + 5 * count, 4) + le(5, 4);
    for (std::uint64_t k = 1; k <= count; ++k) level3 += "\x3F" + le(k < count ? 5 : 0, 4);
    level3 += std::string(1, '\0');
    for (const std::string &bytes : {raw_archive({l1}), level3}) {
        write_file(arc(), bytes);
        CmdResult l = unlha("l " + quote(arc()));
        EXPECT_EQ(l.rc, UNLHA_ERR_FORMAT);
        EXPECT_NE(l.text.find("damaged header at offset 0"), std::string::npos) << l.text;
        EXPECT_NE(l.text.find(std::to_string(kMaxHeaderBytes)), std::string::npos) << l.text;
    }
}

} // namespace
} // namespace lzh::test
