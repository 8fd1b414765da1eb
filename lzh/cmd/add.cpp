#include "archive.h"
#include "codec.h"
#include "crc16.h"
#include "header.h"
#include "match.h"
#include "modify.h"
#include "progress.h"
#include "rewrite.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <unordered_map>

namespace lzh {
namespace {

// One file, folder or link to store, and the path it is stored under.
struct Entry {
    std::string stored;
    std::string source;
    MemberKind kind;
    struct stat st;
    std::string link_target;
};

// Reads a file for the encoder, keeping the CRC-16 of what it read and
// counting it as the command's progress past `counted` bytes (a file read
// a second time is not counted twice).  Once the watcher asks to stop, a
// read fails.
class CrcFileSource : public ByteSource {
public:
    CrcFileSource(int fd, Progress &progress, std::uint64_t counted = 0)
        : fd_(fd), progress_(progress), counted_(counted) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        for (;;) {
            ssize_t r = ::read(fd_, buf, n);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                err_ = errno;
                return -1;
            }
            crc_ = crc16_update(crc_, buf, static_cast<std::size_t>(r));
            count_ += static_cast<std::uint64_t>(r);
            if (count_ > counted_ && !progress_.work(count_ - counted_)) return -1;
            counted_ = std::max(counted_, count_);
            return r;
        }
    }
    std::uint16_t crc() const { return crc_; }
    std::uint64_t count() const { return count_; }
    int error() const { return err_; }

private:
    int fd_;
    Progress &progress_;
    std::uint64_t counted_;
    std::uint16_t crc_ = 0;
    std::uint64_t count_ = 0;
    int err_ = 0;
};

std::string base_name(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// A path as given, to be stored: relative, without "." parts; nullopt for
// one that climbs with "..".
std::optional<std::string> relative_path(const std::string &path) {
    std::string out;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
        start = end + 1;
    }
    return out;
}

class Collector {
public:
    Collector(const struct stat &archive, bool archive_exists, const ArchiveRewrite &rewrite, const AddOptions &options,
              Report &report)
        : archive_(archive), archive_exists_(archive_exists), rewrite_(rewrite), options_(options), report_(report) {}

    void add(const std::string &path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return report_.fail(UNLHA_ERR_ARCHIVE, path + ": cannot read: " + error_text(errno));
        if (options_.paths_as_given) {
            std::optional<std::string> stored = relative_path(path);
            if (!stored) return report_.fail(UNLHA_ERR_COMMAND, path + ": a path with \"..\" is not stored; add it from its own folder");
            if (stored->empty() && !S_ISDIR(st.st_mode)) return report_.fail(UNLHA_ERR_COMMAND, path + ": give the file by name");
            return visit(path, *stored, st);
        }
        std::string name = base_name(path);
        if (name == "." || name == ".." || name == "/") {
            // Store a folder given as "." under its own name.
            char real[PATH_MAX];
            if (!::realpath(path.c_str(), real) || std::string(real) == "/")
                return report_.fail(UNLHA_ERR_COMMAND, path + ": give the folder by name");
            name = base_name(real);
        }
        visit(path, name, st);
    }

    std::vector<Entry> &entries() { return entries_; }

private:
    void visit(const std::string &source, const std::string &stored, const struct stat &st) {
        if (archive_exists_ && st.st_dev == archive_.st_dev && st.st_ino == archive_.st_ino)
            return options_.skip_archive ? void() : report_.fail(UNLHA_ERR_COMMAND, source + ": is the archive itself; not added");
        const platform::FileId id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        if (rewrite_.is_new_file(id)) return;  // the new archive, being written beside the old one
        if (!stored.empty() && excluded(options_.excludes, stored)) return;
        if (S_ISREG(st.st_mode)) {
            push({stored, source, MemberKind::file, st, {}});
        } else if (S_ISLNK(st.st_mode)) {
            std::string target(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 256, '\0');
            ssize_t n = ::readlink(source.c_str(), target.data(), target.size());
            if (n < 0) return report_.fail(UNLHA_ERR_ARCHIVE, source + ": cannot read link: " + error_text(errno));
            target.resize(static_cast<std::size_t>(n));
            push({stored, source, MemberKind::symlink, st, target});
        } else if (S_ISDIR(st.st_mode)) {
            // The generic format has no folders: readers of it make them from the files' paths.
            if (!stored.empty() && !options_.format.generic) push({stored, source, MemberKind::directory, st, {}});
            DIR *d = ::opendir(source.c_str());
            if (!d) return report_.fail(UNLHA_ERR_ARCHIVE, source + ": cannot read folder: " + error_text(errno));
            std::vector<std::string> names;
            while (dirent *e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..") names.push_back(n);
            }
            ::closedir(d);
            std::sort(names.begin(), names.end());  // the same tree gives the same archive
            for (const std::string &n : names) {
                std::string child = source + (source.back() == '/' ? "" : "/") + n;
                struct stat cst {};
                if (::lstat(child.c_str(), &cst) != 0) {
                    report_.fail(UNLHA_ERR_ARCHIVE, child + ": cannot read: " + error_text(errno));
                    continue;
                }
                visit(child, stored.empty() ? n : stored + "/" + n, cst);
            }
        } else {
            report_.fail(UNLHA_ERR_ARCHIVE, source + ": not a file, folder or link; not added");
        }
    }

    // A later path stored under the same name replaces the earlier one.
    void push(Entry e) {
        auto it = index_.find(e.stored);
        if (it != index_.end()) {
            entries_[it->second] = std::move(e);
            return;
        }
        index_[e.stored] = entries_.size();
        entries_.push_back(std::move(e));
    }

    struct stat archive_;
    bool archive_exists_;
    const ArchiveRewrite &rewrite_;
    const AddOptions &options_;
    Report &report_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};

// The member an entry becomes, as far as it is known before its data is
// read: its sizes and CRC follow once it is written.
Member planned_member(const Entry &e, const MethodInfo &method) {
    Member m;
    m.path = e.stored;
    m.kind = e.kind;
    m.mtime = e.st.st_mtime;
    m.unix_mode = static_cast<std::uint16_t>(e.st.st_mode & 0xFFFF);
    m.uid = static_cast<std::uint16_t>(e.st.st_uid);
    m.gid = static_cast<std::uint16_t>(e.st.st_gid);
    m.method = e.kind == MemberKind::file ? method.id : "-lhd-";
    m.link_target = e.link_target;
    m.original_size = e.kind == MemberKind::file ? static_cast<std::uint64_t>(e.st.st_size) : 0;
    if (m.original_size == 0) m.method = e.kind == MemberKind::file ? "-lh0-" : "-lhd-";
    return m;
}

// Writes one entry, planned as `m`, at the rewrite's position: header, then
// data compressed, or stored when compression does not shrink it.  False
// only when the new archive cannot be written; a file that cannot be read
// is reported and left out.
bool write_member(const Entry &e, const AddOptions &options, MemberEncoder &coder, ArchiveRewrite &rw, Report &report,
                  Progress &progress, Member &m) {
    const MethodInfo &method = *options.method;
    std::string why;
    const std::uint64_t header_at = rw.position();
    std::string h;
    if (!build_header(m, options.format, h, why)) {
        report.fail(UNLHA_ERR_WRITE, e.source + ": " + why + "; not added");
        return true;
    }
    if (e.kind != MemberKind::file) return rw.write(h.data(), h.size(), why) || (report.fail(UNLHA_ERR_WRITE, why), false);

    int fd = ::open(e.source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        report.fail(UNLHA_ERR_ARCHIVE, e.source + ": cannot read: " + error_text(errno));
        return true;
    }
    // Leaves the member out again after a problem with the file itself.
    auto leave_out = [&](const std::string &problem) {
        ::close(fd);
        report.fail(UNLHA_ERR_ARCHIVE, e.source + ": " + problem + "; not added");
        if (rw.truncate(header_at, why)) return true;
        report.fail(UNLHA_ERR_WRITE, why);
        return false;
    };
    auto cannot_write = [&] {
        ::close(fd);
        if (progress.stopped()) return false;  // the command says so once
        if (why.empty()) rw.sync_sink(why);
        report.fail(UNLHA_ERR_WRITE, why);
        return false;
    };

    if (!rw.write(h.data(), h.size(), why)) return cannot_write();
    const std::uint64_t data_at = rw.position();
    bool store = m.original_size == 0 || method.kind == MethodKind::stored;
    if (!store) {
        CrcFileSource src(fd, progress);
        // Give up as soon as the packed data would not be smaller.
        EncodeResult r = coder.encode(src, rw.sink(), m.original_size - 1);
        if (progress.stopped()) return cannot_write();
        if (r.status == CodecStatus::read_error) return leave_out("cannot read: " + error_text(src.error()));
        if (r.status != CodecStatus::ok || !rw.sync_sink(why)) return cannot_write();
        if (r.gave_up || r.packed >= src.count()) {
            store = true;
        } else {
            m.packed_size = r.packed;
            m.original_size = src.count();
            m.crc16 = src.crc();
        }
    }
    if (store && m.original_size > 0) {
        // Stored after all: the data again from the file's first byte.
        m.method = "-lh0-";
        if (!rw.truncate(data_at, why)) return cannot_write();
        if (::lseek(fd, 0, SEEK_SET) != 0) return leave_out("cannot read: " + error_text(errno));
        CrcFileSource src(fd, progress, progress.member_bytes());
        std::vector<std::uint8_t> buf(256 * 1024);
        for (std::ptrdiff_t n; (n = src.read(buf.data(), buf.size())) != 0;) {
            if (progress.stopped()) return cannot_write();
            if (n < 0) return leave_out("cannot read: " + error_text(src.error()));
            if (!rw.write(buf.data(), static_cast<std::size_t>(n), why)) return cannot_write();
        }
        m.packed_size = m.original_size = src.count();
        m.crc16 = src.crc();
    }
    ::close(fd);
    std::string final_header;
    // Its length depends only on the path and on whether sizes need 64 bits.
    if (!build_header(m, options.format, final_header, why) || final_header.size() != h.size()) {
        report.fail(UNLHA_ERR_ARCHIVE, e.source + ": grew while it was read; not added");
        return rw.truncate(header_at, why) || (report.fail(UNLHA_ERR_WRITE, why), false);
    }
    return (rw.sync_sink(why) && rw.write_at(header_at, final_header.data(), final_header.size(), why)) ||
           (report.fail(UNLHA_ERR_WRITE, why), false);
}

// Hands a file that is about to be added to the encoder to code ahead.  A
// file that cannot be read is skipped here: adding it reports that.  False
// when the encoder has no room for it yet: it is offered again once the
// members before it are written (passed over, a large file would be coded
// only when its turn came, by one thread, the other one idle).
bool read_ahead(const Entry &e, MemberEncoder &coder) {
    if (e.kind != MemberKind::file || e.st.st_size <= 0 || std::uint64_t(e.st.st_size) >= MemberEncoder::kAheadBelow)
        return true;
    const auto size = static_cast<std::uint64_t>(e.st.st_size);
    if (!coder.room_for(size)) return false;
    int fd = ::open(e.source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return true;
    FileRegionSource src(fd, 0, size + 1);  // a byte more shows a file that grew
    coder.ahead(src, size);
    ::close(fd);
    return true;
}

// One entry, told to the watcher as it begins and ends; `added` says
// whether it is in the new archive.  A dry run only tells.
bool write_entry(const Entry &e, const AddOptions &options, MemberWork work, MemberEncoder &coder, ArchiveRewrite &rw,
                 Report &report, Progress &progress, bool &added) {
    added = false;
    Member m = planned_member(e, *options.method);
    if (!progress.begin(exact_name(e.stored), &m, work)) return false;
    if (options.dry_run) {
        progress.end(MemberOutcome::done);
        return !progress.stopped();
    }
    const std::size_t before = report.failures();
    const bool go_on = write_member(e, options, coder, rw, report, progress, m);
    const bool failed = !go_on || report.failures() != before;
    progress.end(failed ? MemberOutcome::failed : MemberOutcome::done, failed ? nullptr : &m);
    added = !failed;
    return go_on && !progress.stopped();
}

// Deletes what the new archive holds: the deepest first, so that a folder
// is empty by its turn.  A folder that still holds something (what was
// left out) stays without a word.
void remove_added(const std::vector<Entry> &entries, const std::vector<bool> &added, Report &report) {
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (!added[i]) continue;
        const Entry &e = entries[i];
        struct stat now {};
        if (::lstat(e.source.c_str(), &now) != 0) {
            if (errno != ENOENT) report.fail(UNLHA_ERR_WRITE, e.source + ": not removed: " + error_text(errno));
            continue;
        }
        const bool same = now.st_dev == e.st.st_dev && now.st_ino == e.st.st_ino &&
                          (e.kind == MemberKind::directory ||
                           (now.st_size == e.st.st_size && now.st_mtim.tv_sec == e.st.st_mtim.tv_sec &&
                            now.st_mtim.tv_nsec == e.st.st_mtim.tv_nsec));
        if (!same) {
            report.fail(UNLHA_ERR_WRITE, e.source + ": changed since it was added; not removed");
            continue;
        }
        if (e.kind == MemberKind::directory) {
            if (::rmdir(e.source.c_str()) != 0 && errno != ENOTEMPTY && errno != EEXIST)
                report.fail(UNLHA_ERR_WRITE, e.source + ": not removed: " + error_text(errno));
        } else if (::unlink(e.source.c_str()) != 0) {
            report.fail(UNLHA_ERR_WRITE, e.source + ": not removed: " + error_text(errno));
        }
    }
}

} // namespace

UnlhaResult add_paths(const std::string &archive, const std::vector<std::string> &paths, const MethodInfo &method,
                      Output &out, ProgressWatcher *watcher) {
    AddOptions options;
    options.method = &method;
    return add_paths(archive, paths, options, out, watcher);
}

UnlhaResult add_paths(const std::string &archive, const std::vector<std::string> &paths, const AddOptions &options,
                      Output &out, ProgressWatcher *watcher) {
    Report report(out);
    Progress progress('a', watcher);
    if (paths.empty()) {
        report.fail(UNLHA_ERR_COMMAND, "a: name the files or folders to add");
        return report.result();
    }
    // The lock first: the archive read below is then the one this replaces.
    ArchiveRewrite rw;
    std::string why;
    if (UnlhaResult rc = options.dry_run ? UNLHA_OK : rw.begin(archive, why)) {
        report.fail(rc, why);
        return report.result();
    }
    ArchiveReader reader;
    struct stat ast {};
    const bool archive_exists = ::stat(archive.c_str(), &ast) == 0;
    // Its members, unless the archive is made anew.
    const bool exists = archive_exists && !options.create;
    if (exists) {
        if (UnlhaResult rc = reader.open(archive, options.format.names)) {
            report.fail(rc, reader.error() + "; nothing added");
            return report.result();
        }
    }
    Collector collector(ast, archive_exists, rw, options, report);
    for (const std::string &p : paths) collector.add(p);
    std::vector<Entry> &entries = collector.entries();
    if (entries.empty()) return report.result();
    std::unordered_map<std::string, std::size_t> wanted;
    for (std::size_t i = 0; i < entries.size(); ++i) wanted[entries[i].stored] = i;
    std::vector<bool> done(entries.size(), false), added(entries.size(), false);
    bool member_added = false;
    // Updating keeps an old member that is as new as its file.
    std::vector<bool> keep_old(entries.size(), false);
    MemberEncoder coder(*options.method, options.best ? Compression::best : Compression::normal);

    // The work: every file added, every old member copied.
    WorkPlan plan{entries.size(), 0};
    for (const Entry &e : entries)
        if (e.kind == MemberKind::file) plan.bytes += static_cast<std::uint64_t>(e.st.st_size);
    if (exists) {
        Member m;
        std::vector<bool> seen(entries.size(), false);
        for (; reader.next(m);) {
            auto it = wanted.find(m.path);
            if (it == wanted.end()) {
                ++plan.members;
                plan.bytes += m.stored_size();
            } else if (options.update && !seen[it->second] && m.mtime >= entries[it->second].st.st_mtime) {
                keep_old[it->second] = true;
                if (entries[it->second].kind == MemberKind::file)
                    plan.bytes -= static_cast<std::uint64_t>(entries[it->second].st.st_size);
                plan.bytes += m.stored_size();
            }
            if (it != wanted.end()) seen[it->second] = true;
        }
        reader.rewind();
    }
    progress.plan(plan.members, plan.bytes);
    // A stop leaves the archive as it was: the new file is never renamed.
    auto stopped = [&] {
        report.stopped(archive + ": stopped; the archive is as it was");
        return report.result();
    };

    if (exists) {
        if (!options.dry_run && !rw.start_archive(reader, why))
            return report.fail(UNLHA_ERR_WRITE, why), report.result();
        Member m;
        while (reader.next(m)) {
            auto it = wanted.find(m.path);
            const bool keep = it == wanted.end() || (keep_old[it->second] && !done[it->second]);
            if (it != wanted.end() && !done[it->second] && !keep) {
                // Replaced where it stood, so the order of the others holds.
                if (!write_entry(entries[it->second], options, MemberWork::replace, coder, rw, report, progress,
                                 member_added))
                    return progress.stopped() ? stopped() : report.result();
                done[it->second] = true;
                added[it->second] = member_added;
            } else if (keep && it != wanted.end()) {
                done[it->second] = true;
            }
            if (keep && !options.dry_run && !rw.copy_member(reader, m, progress, why)) {
                if (progress.stopped()) return stopped();
                report.fail(UNLHA_ERR_FORMAT, archive + ": " + exact_name(m.display_path()) + ": the archive ends inside this member; nothing added");
                return report.result();
            }
        }
        if (reader.error_code()) {
            report.fail(reader.error_code(), archive + ": " + reader.error() + "; nothing added");
            return report.result();
        }
    }
    std::size_t announced = 0;  // entries before this one were offered to read_ahead()
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (done[i]) continue;
        for (announced = std::max(announced, i);
             !options.dry_run && announced < entries.size() && announced < i + MemberEncoder::kAhead; ++announced)
            if (!done[announced] && !read_ahead(entries[announced], coder)) break;
        if (!write_entry(entries[i], options, MemberWork::own, coder, rw, report, progress, member_added))
            return progress.stopped() ? stopped() : report.result();
        added[i] = member_added;
    }
    if (options.dry_run) return report.result();
    // Nothing went in (every file refused): no new archive, and an old one,
    // made anew or not, stays as it was.
    if (std::none_of(added.begin(), added.end(), [](bool a) { return a; })) return report.result();

    // A new archive as a new file is made; a replaced one keeps its owner and mode.
    const platform::FileAccess fresh{0666 & ~platform::creation_mask()};
    const platform::FileAccess access = archive_exists ? platform::file_access(archive).value_or(fresh) : fresh;
    if (!rw.end_archive(exists ? &reader : nullptr, why) || !rw.commit(access, why)) {
        report.fail(UNLHA_ERR_WRITE, why);
        return report.result();
    }
    if (options.remove_added) remove_added(entries, added, report);
    return report.result();
}

} // namespace lzh
