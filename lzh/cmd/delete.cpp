#include "archive.h"
#include "match.h"
#include "modify.h"
#include "rewrite.h"

namespace lzh {

UnlhaResult delete_members(const std::string &archive, const std::vector<std::string> &names, Output &out,
                           ProgressWatcher *watcher, NameCode name_code) {
    Report report(out);
    Progress progress('d', watcher);
    if (names.empty()) {
        report.fail(UNLHA_ERR_COMMAND, "d: name the members to delete");
        return report.result();
    }
    // The lock first: the archive read below is then the one this replaces.
    ArchiveRewrite rewrite;
    std::string why;
    if (UnlhaResult rc = rewrite.begin(archive, why)) {
        report.fail(rc, why);
        return report.result();
    }
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(archive, name_code)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    // A self-extractor keeps its program part; what follows the end mark
    // stays too.
    if (!rewrite.start_archive(reader, why)) {
        report.fail(UNLHA_ERR_WRITE, why);
        return report.result();
    }
    MemberMatcher matcher(names);
    // The work: each member deleted (no bytes) or copied.
    WorkPlan plan = plan_work(reader, matcher, [](const Member &m, bool selected) -> std::optional<std::uint64_t> {
        return selected ? 0 : m.stored_size();
    });
    progress.plan(plan.members, plan.bytes);
    std::uint64_t deleted = 0;
    Member m;
    while (reader.next(m)) {
        if (matcher.matches(m)) {
            if (!progress.begin(exact_name(m.display_path()), &m)) break;
            progress.end(MemberOutcome::done);
            ++deleted;
            continue;
        }
        // Kept members are copied byte for byte, header and data.
        if (!rewrite.copy_member(reader, m, progress, why)) {
            if (progress.stopped()) break;
            const bool cut = m.data_offset + m.packed_size > reader.size();
            report.fail(cut ? UNLHA_ERR_FORMAT : UNLHA_ERR_WRITE, archive + ": " + why + "; nothing deleted");
            return report.result();
        }
    }
    if (progress.stopped()) {
        report.stopped(archive + ": stopped; the archive is as it was");
        return report.result();
    }
    if (reader.error_code()) {
        report.fail(reader.error_code(), archive + ": " + reader.error() + "; nothing deleted");
        return report.result();
    }
    for (const std::string &n : matcher.unmatched()) report.fail(UNLHA_ERR_NOMATCH, n + ": no such member");
    if (deleted == 0) return report.result();  // the archive stays as it was
    // The new archive is the old one's owner's, with its mode.
    const platform::FileAccess access = platform::file_access(reader.fd()).value_or(platform::FileAccess{0644});
    if (!rewrite.end_archive(&reader, why) || !rewrite.commit(access, why)) report.fail(UNLHA_ERR_WRITE, why);
    return report.result();
}

} // namespace lzh
