#include "archive.h"
#include "modify.h"
#include "rewrite.h"

#include <cerrno>
#include <sys/stat.h>

extern "C" const unsigned char unlha_sfx_stub_begin[];
extern "C" const unsigned char unlha_sfx_stub_end[];

namespace lzh {

UnlhaResult make_self_extractor(const std::string &archive, const std::string &folder, Output &out) {
    Report report(out);
    if (unlha_sfx_stub_end - unlha_sfx_stub_begin == 0) {
        report.fail(UNLHA_ERR_WRITE, "this build of the library carries no self-extractor");
        return report.result();
    }
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(archive)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    // Read every header first: a damaged archive makes no program.
    Member m;
    std::uint64_t members = 0;
    while (reader.next(m)) {
        ++members;
        if (m.data_offset + m.packed_size > reader.size()) {
            report.fail(UNLHA_ERR_DATA, archive + ": " + m.display_path() + ": the archive ends inside this member");
            return report.result();
        }
    }
    if (reader.error_code()) {
        report.fail(reader.error_code(), archive + ": " + reader.error());
        return report.result();
    }
    struct stat st {};
    std::string dir = folder.empty() ? "." : folder;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        report.fail(UNLHA_ERR_WRITE, dir + ": " + (errno ? error_text(errno) : std::string("not a folder")));
        return report.result();
    }
    std::size_t slash = archive.rfind('/');
    std::string name = slash == std::string::npos ? archive : archive.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    std::string target = dir + (dir.back() == '/' ? "" : "/") + name + ".exe";

    ArchiveRewrite rw;
    std::string why;
    // An archive that is itself self-extracting is wrapped again from its
    // first header: only one program goes in front.
    bool ok = rw.begin(target, why) &&
              rw.write(unlha_sfx_stub_begin, static_cast<std::size_t>(unlha_sfx_stub_end - unlha_sfx_stub_begin), why) &&
              rw.copy_from(reader.fd(), reader.first_header(), reader.end_offset() - reader.first_header(), why);
    const char end_mark = 0;
    if (ok) ok = rw.write(&end_mark, 1, why) && rw.commit(0777 & ~current_umask(), why);
    if (!ok) report.fail(UNLHA_ERR_WRITE, why);
    return report.result();
}

} // namespace lzh
