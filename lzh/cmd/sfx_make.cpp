#include "archive.h"
#include "modify.h"
#include "names.h"
#include "rewrite.h"

#include <cerrno>
#include <sys/stat.h>

extern "C" const unsigned char unlha_sfx_stub_begin[];
extern "C" const unsigned char unlha_sfx_stub_end[];

namespace lzh {

UnlhaResult make_self_extractor(const std::string &archive, const std::string &folder, Output &out,
                                ProgressWatcher *watcher) {
    Report report(out);
    Progress progress('s', watcher);
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
    while (reader.next(m)) {
        if (m.data_offset + m.packed_size > reader.size()) {
            report.fail(UNLHA_ERR_FORMAT, archive + ": " + exact_name(m.display_path()) + ": the archive ends inside this member");
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

    // The work: the program, then the archive's members as they are.
    const std::uint64_t stub = static_cast<std::uint64_t>(unlha_sfx_stub_end - unlha_sfx_stub_begin);
    progress.plan(1, stub + reader.end_offset() - reader.first_header());
    ArchiveRewrite rw;
    std::string why;
    // An archive that is itself self-extracting is wrapped again from its
    // first header: only one program goes in front.
    bool ok = rw.begin(target, why) == UNLHA_OK && progress.begin(name + ".exe") &&
              rw.write(unlha_sfx_stub_begin, static_cast<std::size_t>(stub), why) && progress.work(stub) &&
              rw.copy_from(reader.fd(), reader.first_header(), reader.end_offset() - reader.first_header(), why, &progress);
    if (ok) ok = rw.end_archive(nullptr, why) && rw.commit({0777 & ~platform::creation_mask()}, why);
    progress.end(ok ? MemberOutcome::done : MemberOutcome::failed);
    if (progress.stopped()) report.stopped(target + ": stopped; nothing written");
    else if (!ok) report.fail(UNLHA_ERR_WRITE, why);
    return report.result();
}

} // namespace lzh
