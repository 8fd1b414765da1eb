#include "extract.h"

#include "archive.h"
#include "codec.h"
#include "crc16.h"
#include "dest_tree.h"
#include "file_io.h"
#include "match.h"
#include "progress.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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

// A name beside `name` in the same folder, for writing before the rename.
std::string temp_name(const std::string &name) {
    static std::mt19937_64 rng{std::random_device{}()};
    std::string base = name.size() > 200 ? name.substr(0, 200) : name;
    return "." + base + ".unlha-" + std::to_string(rng() % 1000000000ULL);
}

mode_t file_mode(const Member &m) {
    // Stored permissions come back; set-id and sticky bits never do.
    return m.unix_mode ? static_cast<mode_t>(*m.unix_mode & 0777) : (0666 & ~current_umask());
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

        struct stat st {};
        bool exists = ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (m.kind == MemberKind::directory) return directory(m, *parts, parent, exists ? &st : nullptr);
        if (exists && S_ISDIR(st.st_mode)) return in_the_way(joined);
        if (exists && !overwrite_ && !tree_.written_this_run(joined)) return kept(joined);
        bool ok = m.kind == MemberKind::symlink ? symlink(m, *parts, parent, exists) : file(m, joined, parent, name, exists);
        if (!ok) return progress_.stopped() ? MemberOutcome::stopped : MemberOutcome::failed;
        tree_.mark_written(joined);
        return MemberOutcome::done;
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
        struct stat st {};
        const std::string path = req_.folder.empty() ? joined : req_.folder + "/" + joined;
        const bool exists = ::lstat(path.c_str(), &st) == 0;
        if (m.kind == MemberKind::directory || !exists || overwrite_) return MemberOutcome::done;
        return S_ISDIR(st.st_mode) ? in_the_way(joined) : kept(joined);
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

    MemberOutcome directory(const Member &m, const std::vector<std::string> &parts, int parent, const struct stat *st) {
        std::string joined = join(parts);
        if (st && !S_ISDIR(st->st_mode)) return failed(UNLHA_ERR_WRITE, joined + ": a file of that name is in the way");
        if (!st && ::mkdirat(parent, parts.back().c_str(), 0777) != 0 && errno != EEXIST)
            return failed(UNLHA_ERR_WRITE, joined + ": cannot create folder: " + error_text(errno));
        tree_.defer_directory(parts, m.unix_mode, m.mtime);
        return MemberOutcome::done;
    }

    bool symlink(const Member &m, const std::vector<std::string> &parts, int parent, bool exists) {
        std::string joined = join(parts);
        if (!link_target_is_safe(parts, m.link_target)) {
            report_.fail(UNLHA_ERR_UNSAFE, joined + ": refused: link target \"" + m.link_target + "\" leads out of the folder");
            return false;
        }
        std::string target_name = exists ? temp_name(parts.back()) : parts.back();
        if (::symlinkat(m.link_target.c_str(), parent, target_name.c_str()) != 0) {
            report_.fail(UNLHA_ERR_WRITE, joined + ": cannot create link: " + error_text(errno));
            return false;
        }
        if (exists && ::renameat(parent, target_name.c_str(), parent, parts.back().c_str()) != 0) {
            report_.fail(UNLHA_ERR_WRITE, joined + ": cannot replace: " + error_text(errno));
            ::unlinkat(parent, target_name.c_str(), 0);
            return false;
        }
        return true;
    }

    // A new file is created in place (O_EXCL: nothing that was there, a link
    // least of all, is opened); a file that exists is replaced by rename, so
    // a damaged member never costs the old copy.
    bool file(const Member &m, const std::string &joined, int parent, const std::string &name, bool exists) {
        if (!can_decode(data_method(m.method, m.dialect))) {
            report_.fail(UNLHA_ERR_DATA, joined + ": " + unsupported(m));
            return false;
        }
        std::string write_name = exists ? temp_name(name) : name;
        int fd = ::openat(parent, write_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            report_.fail(UNLHA_ERR_WRITE, joined + ": cannot create: " + error_text(errno));
            return false;
        }
        FdSink sink(fd);
        ProgressSink counted(sink, progress_);
        auto [result, problem] = decode_checked(reader_, m, counted, &sink);
        if (progress_.stopped()) result = UNLHA_ERR_STOPPED;  // its file goes; the stop is reported once
        if (problem.empty()) {
            ::fchmod(fd, file_mode(m));
            struct timespec times[2] = {{0, UTIME_NOW}, {static_cast<time_t>(m.mtime), 0}};
            ::futimens(fd, times);
        }
        if (::close(fd) != 0 && problem.empty()) {
            problem = "cannot write: " + error_text(errno);
            result = UNLHA_ERR_WRITE;
        }
        if (problem.empty() && exists && ::renameat(parent, write_name.c_str(), parent, name.c_str()) != 0) {
            problem = "cannot replace: " + error_text(errno);
            result = UNLHA_ERR_WRITE;
        }
        if (!problem.empty() || result == UNLHA_ERR_STOPPED) {
            ::unlinkat(parent, write_name.c_str(), 0);
            if (result != UNLHA_ERR_STOPPED) report_.fail(result, joined + ": " + problem);
            return false;
        }
        return true;
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
