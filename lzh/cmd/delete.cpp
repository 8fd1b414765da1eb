#include "archive.h"
#include "match.h"
#include "modify.h"
#include "rewrite.h"

#include <sys/stat.h>

namespace lzh {

UnlhaResult delete_members(const std::string &archive, const std::vector<std::string> &names, Output &out) {
    Report report(out);
    if (names.empty()) {
        report.fail(UNLHA_ERR_COMMAND, "d: name the members to delete");
        return report.result();
    }
    // The lock first: the archive read below is then the one this replaces.
    ArchiveRewrite rewrite;
    std::string why;
    if (!rewrite.begin(archive, why)) {
        report.fail(UNLHA_ERR_WRITE, why);
        return report.result();
    }
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(archive)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    // A self-extractor keeps its program part.
    if (!rewrite.copy_from(reader.fd(), 0, reader.first_header(), why)) {
        report.fail(UNLHA_ERR_WRITE, why);
        return report.result();
    }
    MemberMatcher matcher(names);
    note_all_members(reader, matcher);
    std::uint64_t deleted = 0;
    Member m;
    while (reader.next(m)) {
        if (matcher.matches(m)) {
            ++deleted;
            continue;
        }
        // Kept members are copied byte for byte, header and data.
        if (m.data_offset + m.packed_size > reader.size()) {
            report.fail(UNLHA_ERR_DATA, archive + ": " + m.display_path() + ": the archive ends inside this member; nothing deleted");
            return report.result();
        }
        if (!rewrite.copy_from(reader.fd(), m.header_offset, m.data_offset + m.packed_size - m.header_offset, why)) {
            report.fail(UNLHA_ERR_WRITE, why);
            return report.result();
        }
    }
    if (reader.error_code()) {
        report.fail(reader.error_code(), archive + ": " + reader.error() + "; nothing deleted");
        return report.result();
    }
    for (const std::string &n : matcher.unmatched()) report.fail(UNLHA_ERR_NOMATCH, n + ": no such member");
    if (deleted == 0) return report.result();  // the archive stays as it was
    const char end_mark = 0;
    struct stat st {};
    mode_t mode = ::fstat(reader.fd(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (!rewrite.write(&end_mark, 1, why) || !rewrite.commit(mode, why)) report.fail(UNLHA_ERR_WRITE, why);
    return report.result();
}

} // namespace lzh
