#include "extract.h"

#include "archive.h"
#include "codec.h"
#include "crc16.h"
#include "dest_tree.h"
#include "file_io.h"
#include "match.h"
#include "platform.h"
#include "progress.h"

#include <cerrno>

namespace lzh {
namespace {

class CrcSink : public ByteSink {
public:
    explicit CrcSink(ByteSink &inner) : inner_(inner) {}
    bool write(const std::uint8_t *buf, std::size_t n) override {
        crc_ = crc16_update(crc_, buf, n);
        return inner_.write(buf, n);
    }
    std::uint16_t crc() const { return crc_; }

private:
    ByteSink &inner_;
    std::uint16_t crc_ = 0;
};

class NullSink : public ByteSink {
public:
    bool write(const std::uint8_t *, std::size_t) override { return true; }
};

struct Outcome {
    UnlhaResult result = UNLHA_OK;
    std::string problem;  // empty when the data is sound
};

std::string unsupported(const Member &m) { return "method " + m.method + " is not supported"; }

// Decodes a member's data into `out` and checks it against the member's CRC.
// `file` is the sink under `out` that a write error is read from, if any.
Outcome decode_checked(const ArchiveReader &reader, const Member &m, ByteSink &out, FdSink *file) {
    const MethodInfo *method = data_method(m.method, m.dialect);
    if (!can_decode(method)) return {UNLHA_ERR_DATA, unsupported(m)};
    CrcSink crc(out);
    FileRegionSource src(reader.fd(), m.data_offset, m.packed_size);
    CodecStatus status = decode(*method, src, m.packed_size, m.original_size, crc);
    if (status == CodecStatus::ok && file && !file->flush()) status = CodecStatus::write_error;
    if (status == CodecStatus::write_error)
        return {UNLHA_ERR_WRITE, "cannot write: " + error_text(file && file->error() ? file->error() : EIO)};
    // A cut-short archive is damage to the archive, as listing it says.
    if (status != CodecStatus::ok && m.data_offset + m.packed_size > reader.size())
        return {UNLHA_ERR_FORMAT, "the archive ends inside this member's data"};
    if (status != CodecStatus::ok) return {UNLHA_ERR_DATA, describe(status)};
    if (m.has_crc && crc.crc() != m.crc16) return {UNLHA_ERR_DATA, "CRC error: the data is damaged"};
    return {};
}

std::string join(const std::vector<std::string> &parts) {
    std::string s;
    for (const auto &p : parts) {
        if (!s.empty()) s += '/';
        s += p;
    }
    return s;
}

unsigned file_mode(const Member &m) {
    // Stored permissions come back; set-id and sticky bits never do.
    return m.unix_mode ? *m.unix_mode & 0777u : 0666u & ~platform::creation_mask();
}

// Counts what a decoder writes as the command's progress; refuses more
// once the watcher asked to stop.
class ProgressSink : public ByteSink {
public:
    ProgressSink(ByteSink &inner, Progress &progress) : inner_(inner), progress_(progress) {}
    bool write(const std::uint8_t *buf, std::size_t n) override { return progress_.work(n) && inner_.write(buf, n); }

private:
    ByteSink &inner_;
    Progress &progress_;
};

class Extractor {
public:
    Extractor(ArchiveReader &reader, DestinationTree &tree, const ExtractRequest &req, Report &report, Progress &progress)
        : reader_(reader), tree_(tree), req_(req), overwrite_(req.overwrite), report_(report), progress_(progress) {}

    MemberOutcome member(const Member &m) {
        std::string why;
        auto parts = safe_parts(m.path, why);
        // A folder entry with no name (some writers emit them) is the
        // destination itself: nothing to make.
        if (!parts && m.kind == MemberKind::directory && m.path.find("..") == std::string::npos) return MemberOutcome::done;
        if (!parts) return failed(UNLHA_ERR_UNSAFE, m.described() + ": refused: " + why);
        if (req_.flat) {
            if (m.kind == MemberKind::directory) return MemberOutcome::done;
            parts->erase(parts->begin(), parts->end() - 1);
        }
        std::string joined = join(*parts);
        if (req_.dry_run) return planned(m, joined);
        int parent = tree_.parent_of(*parts, why);
        if (parent < 0) return failed(tree_.last_failure_unsafe() ? UNLHA_ERR_UNSAFE : UNLHA_ERR_WRITE, joined + ": " + why);
        const std::string &name = parts->back();

        const platform::EntryKind there = platform::entry_at(parent, name);
        const bool exists = there != platform::EntryKind::none;
        if (m.kind == MemberKind::directory) return directory(m, *parts, parent, there);
        if (there == platform::EntryKind::folder) return in_the_way(joined);
        if (exists && !overwrite_ && !tree_.written_this_run(joined)) return kept(joined);
        const MemberOutcome o = m.kind == MemberKind::symlink ? symlink(m, *parts, parent, exists)
                                                              : file(m, joined, parent, name, exists || overwrite_);
        if (o == MemberOutcome::done) tree_.mark_written(joined);
        return o;
    }

    // A file's data into the request's stream, checked as it goes.
    MemberOutcome to_stream(const Member &m) {
        ProgressSink counted(*req_.stream, progress_);
        auto [result, problem] = decode_checked(reader_, m, counted, nullptr);
        if (progress_.stopped()) return MemberOutcome::stopped;
        if (problem.empty()) return MemberOutcome::done;
        return failed(result, m.described() + ": " + problem);
    }

private:
    // What extracting would do, looked up without writing.
    MemberOutcome planned(const Member &m, const std::string &joined) {
        const std::string path = req_.folder.empty() ? joined : req_.folder + "/" + joined;
        const platform::EntryKind there = platform::entry_at(platform::kCurrentFolder, path);
        if (m.kind == MemberKind::directory || there == platform::EntryKind::none || overwrite_) return MemberOutcome::done;
        return there == platform::EntryKind::folder ? in_the_way(joined) : kept(joined);
    }

    MemberOutcome in_the_way(const std::string &joined) {
        return failed(UNLHA_ERR_WRITE, joined + ": a folder of that name is in the way");
    }
    // An existing file left as it is: a failure unless the request keeps such files.
    MemberOutcome kept(const std::string &joined) {
        if (!req_.skip_existing) report_.fail(UNLHA_ERR_WRITE, joined + ": already exists; kept (-c replaces it)");
        return MemberOutcome::kept;
    }

    MemberOutcome failed(UnlhaResult result, const std::string &line) {
        report_.fail(result, line);
        return MemberOutcome::failed;
    }

    MemberOutcome directory(const Member &m, const std::vector<std::string> &parts, int parent, platform::EntryKind there) {
        std::string joined = join(parts);
        const bool missing = there == platform::EntryKind::none;
        if (!missing && there != platform::EntryKind::folder)
            return failed(UNLHA_ERR_WRITE, joined + ": a file of that name is in the way");
        if (missing && !platform::make_folder_at(parent, parts.back()) && errno != EEXIST)
            return failed(UNLHA_ERR_WRITE, joined + ": cannot create folder: " + error_text(errno));
        tree_.defer_directory(parts, m.unix_mode, m.mtime);
        return MemberOutcome::done;
    }

    MemberOutcome symlink(const Member &m, const std::vector<std::string> &parts, int parent, bool replace) {
        std::string joined = join(parts);
        if (!link_target_is_safe(parts, m.link_target))
            return failed(UNLHA_ERR_UNSAFE, joined + ": refused: link target \"" + m.link_target + "\" leads out of the folder");
        if (!tree_.make_link(parent, parts.back(), m.link_target, replace))
            return failed(UNLHA_ERR_WRITE, joined + ": cannot create link: " + error_text(errno));
        return MemberOutcome::done;
    }

    // A file is written under a temporary name beside its own (never
    // through a link) and renamed into place once its CRC checks: a damaged
    // member, a stop or a killed process never leaves a cut file under the
    // member's name, nor costs an old copy.  Without permission to replace,
    // it takes the name only where nothing is, so a file that appeared
    // meanwhile is kept too.
    MemberOutcome file(const Member &m, const std::string &joined, int parent, const std::string &name, bool replace) {
        if (!can_decode(data_method(m.method, m.dialect))) return failed(UNLHA_ERR_DATA, joined + ": " + unsupported(m));
        platform::TempFile out;
        if (!tree_.start_file(parent, name, out))
            return failed(UNLHA_ERR_WRITE, joined + ": cannot create: " + error_text(errno));
        FdSink sink(out.fd());
        ProgressSink counted(sink, progress_);
        auto [result, problem] = decode_checked(reader_, m, counted, &sink);
        if (progress_.stopped()) return MemberOutcome::stopped;  // `out` goes; the stop is reported once
        if (!problem.empty()) return failed(result, joined + ": " + problem);
        platform::set_mode_and_time(out.fd(), file_mode(m), m.mtime);
        if (out.place(parent, name, replace)) return MemberOutcome::done;
        if (errno == EEXIST && !replace) return kept(joined);
        return failed(UNLHA_ERR_WRITE, joined + ": cannot write: " + error_text(errno));
    }

    ArchiveReader &reader_;
    DestinationTree &tree_;
    const ExtractRequest &req_;
    bool overwrite_;
    Report &report_;
    Progress &progress_;
};

// The bytes of a member's work for x and t: its original size.
std::optional<std::uint64_t> data_bytes(const Member &m, bool selected) {
    if (!selected) return std::nullopt;
    return m.kind == MemberKind::file ? m.original_size : 0;
}

void report_stop(Report &report, const Progress &progress, const std::string &what) {
    if (progress.stopped()) report.stopped(what);
}

} // namespace

UnlhaResult extract_archive(const ExtractRequest &req, Output &out, ProgressWatcher *watcher) {
    Report report(out);
    Progress progress('x', watcher);
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(req.archive, req.name_code)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    DestinationTree tree;
    std::string why;
    if (!req.stream && !req.dry_run && !tree.open(req.folder, why)) {
        report.fail(UNLHA_ERR_WRITE, why);
        return report.result();
    }
    MemberMatcher matcher(req.names);
    // A stream takes only files' data.
    auto wanted = [&req](const Member &m) {
        return !excluded(req.excludes, m.path) && (!req.stream || m.kind == MemberKind::file);
    };
    WorkPlan plan = plan_work(reader, matcher, [&](const Member &m, bool selected) {
        return data_bytes(m, selected && wanted(m));
    });
    progress.plan(plan.members, plan.bytes);
    Extractor extractor(reader, tree, req, report, progress);
    Member m;
    while (!progress.stopped() && reader.next(m)) {
        if (!matcher.matches(m) || !wanted(m)) continue;
        const std::string name = exact_name(m.display_path());
        if (!progress.begin(name, &m)) break;
        progress.end(req.stream ? extractor.to_stream(m) : extractor.member(m));
    }
    tree.finish();
    report_stop(report, progress, req.archive + ": stopped; the members extracted before are kept");
    if (progress.stopped()) return report.result();
    if (reader.error_code()) report.fail(reader.error_code(), req.archive + ": " + reader.error());
    for (const std::string &n : matcher.unmatched()) report.fail(UNLHA_ERR_NOMATCH, n + ": no such member");
    return report.result();
}

} // namespace lzh

namespace lzh {

UnlhaResult test_archive(const std::string &archive, const std::vector<std::string> &names, Output &out,
                         ProgressWatcher *watcher, NameCode name_code) {
    Report report(out);
    Progress progress('t', watcher);
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(archive, name_code)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    MemberMatcher matcher(names);
    WorkPlan plan = plan_work(reader, matcher, data_bytes);
    progress.plan(plan.members, plan.bytes);
    Member m;
    while (!progress.stopped() && reader.next(m)) {
        if (!matcher.matches(m)) continue;
        const std::string name = exact_name(m.display_path());
        if (!progress.begin(name, &m)) break;
        NullSink nowhere;
        ProgressSink counted(nowhere, progress);
        Outcome o = m.kind == MemberKind::file ? decode_checked(reader, m, counted, nullptr) : Outcome{};
        if (progress.stopped()) {
            progress.end(MemberOutcome::stopped);
            break;
        }
        if (o.result != UNLHA_OK) report.fail(o.result, m.described() + ": " + o.problem);
        progress.end(o.result == UNLHA_OK ? MemberOutcome::done : MemberOutcome::failed);
    }
    report_stop(report, progress, archive + ": stopped");
    if (progress.stopped()) return report.result();
    if (reader.error_code()) report.fail(reader.error_code(), archive + ": " + reader.error());
    for (const std::string &n : matcher.unmatched()) report.fail(UNLHA_ERR_NOMATCH, n + ": no such member");
    return report.result();
}

} // namespace lzh
