#include "commands.h"

#include "archive.h"
#include "archive_name.h"
#include "extract.h"
#include "match.h"
#include "messages.h"
#include "modify.h"

#include <sys/stat.h>
#include <unistd.h>

namespace lha {
namespace {

// q and q2 say nothing; q1 leaves the indicator out.
int quiet_level(const Options &o) { return o.quiet.value_or(0); }

// As with the classic tool, quiet means no question: existing files are
// replaced.
bool force(const Options &o) { return o.force || quiet_level(o) == 2; }

MessageStyle style_for(const Options &o, char key, std::FILE *out) {
    MessageStyle s;
    s.key = key;
    s.quiet = quiet_level(o);
    s.terminal = ::isatty(::fileno(out)) == 1;
    s.dry_run = o.no_execute;
    if (key == 'x') {
        s.folder = o.extract_dir;
        s.flat = o.ignore_folders;
    }
    s.store_method = o.method;
    return s;
}

// "-" is standard input, when that is a file: the reader seeks.
std::string archive_to_read(const Options &o) { return o.archive == "-" ? "/dev/stdin" : resolve_archive_name(o.archive); }

std::vector<std::string> library_names(const std::vector<std::string> &files) {
    std::vector<std::string> names;
    // Wildcards stay wildcards; a "%" would start an escape.
    for (const std::string &f : files) names.push_back(lzh::typed_name(f));
    return names;
}

int status(UnlhaResult rc) { return rc == UNLHA_OK ? 0 : 1; }

// Standard output as the stream p writes members into.
class StdioSink : public lzh::ByteSink {
public:
    explicit StdioSink(std::FILE *f) : f_(f) {}
    bool write(const std::uint8_t *buf, std::size_t n) override { return std::fwrite(buf, 1, n, f_) == n; }

private:
    std::FILE *f_;
};

// u without files: every file and folder member whose path is here.
bool members_on_disk(const std::string &archive, lzh::NameCode names, std::vector<std::string> &paths, std::FILE *err) {
    lzh::ArchiveReader reader;
    if (reader.open(archive, names) != UNLHA_OK) {
        std::fprintf(err, "LHa: Error: %s\n", reader.error().c_str());
        return false;
    }
    lzh::Member m;
    struct stat st {};
    while (reader.next(m))
        if (m.kind != lzh::MemberKind::symlink && !m.path.empty() && ::lstat(m.path.c_str(), &st) == 0) paths.push_back(m.path);
    if (reader.error_code() != UNLHA_OK) {
        std::fprintf(err, "LHa: Error: %s: %s\n", archive.c_str(), reader.error().c_str());
        return false;
    }
    return true;
}

} // namespace


int extract_command(const Options &o, std::FILE *out, std::FILE *err) {
    const char key = o.key == 'e' ? 'x' : o.key;
    Messages messages(style_for(o, key, out), out, err);
    const std::string archive = archive_to_read(o);
    const std::vector<std::string> names = library_names(o.files);
    UnlhaResult rc;
    if (key == 't' && !o.no_execute) {
        rc = lzh::test_archive(archive, names, messages, &messages, o.archive_names);
    } else {
        lzh::ExtractRequest req{archive, key == 'x' ? o.extract_dir : std::string(), names, force(o)};
        req.skip_existing = true;  // the watcher warns: a kept file is no failure
        req.flat = key == 'x' && o.ignore_folders;
        req.excludes = o.excludes;
        req.dry_run = o.no_execute;
        req.name_code = o.archive_names;
        // What n shows for t and p does not depend on the files here.
        if (key != 'x') req.overwrite = true;
        StdioSink sink(out);
        if (key == 'p' && !o.no_execute) req.stream = &sink;
        rc = lzh::extract_archive(req, messages, &messages);
    }
    if (std::fflush(out) != 0 && rc == UNLHA_OK) {
        std::fprintf(err, "LHa: Error: cannot write to standard output\n");
        rc = UNLHA_ERR_WRITE;
    }
    return status(rc);
}

int add_command(const Options &o, std::FILE *out, std::FILE *err) {
    if (o.archive == "-") {
        std::fprintf(err, "LHa: Error: an archive is not written to standard output; name a file\n");
        return 1;
    }
    const std::string archive = resolve_archive_name(o.archive);
    std::vector<std::string> files = o.files;
    if (files.empty()) {
        if (o.key != 'u') {
            std::fprintf(err, "LHa: Error: No files given in argument, do nothing.\n");
            return 1;
        }
        std::fprintf(err, "LHa: Warning: No files given in argument\n");
        if (!members_on_disk(archive, o.archive_names, files, err)) return 1;
        if (files.empty()) return 0;
    }
    lzh::AddOptions add;
    add.method = lzh::find_method(o.method);
    add.best = o.best;
    add.format = {o.header_level, o.generic, o.archive_names};
    add.paths_as_given = true;
    add.skip_archive = true;  // "lha a backup.lzh ." beside backup.lzh
    add.update = o.key == 'u';
    add.create = o.key == 'c';
    add.excludes = o.excludes;
    add.remove_added = o.delete_after;
    add.dry_run = o.no_execute;
    Messages messages(style_for(o, 'a', out), out, err);
    return status(lzh::add_paths(archive, files, add, messages, &messages));
}

int delete_command(const Options &o, std::FILE *out, std::FILE *err) {
    if (o.files.empty()) {
        std::fprintf(err, "LHa: Warning: No files given in argument, do nothing.\n");
        return 0;
    }
    const std::string archive = resolve_archive_name(o.archive);
    const std::vector<std::string> names = library_names(o.files);
    if (!o.no_execute) {
        Messages messages(style_for(o, 'd', out), out, err);
        return status(lzh::delete_members(archive, names, messages, &messages, o.archive_names));
    }
    // n: the members that would go, chosen as the deletion chooses them.
    lzh::ArchiveReader reader;
    if (reader.open(archive, o.archive_names) != UNLHA_OK) {
        std::fprintf(err, "LHa: Error: %s\n", reader.error().c_str());
        return 1;
    }
    lzh::MemberMatcher matcher(names);
    lzh::note_all_members(reader, matcher);
    lzh::Member m;
    while (reader.next(m))
        if (matcher.matches(m)) std::fprintf(err, "LHa: delete %s\n", m.display_path().c_str());
    int rc = reader.error_code() == UNLHA_OK ? 0 : 1;
    for (const std::string &n : matcher.unmatched()) {
        std::fprintf(err, "LHa: Error: %s: no such member\n", n.c_str());
        rc = 1;
    }
    return rc;
}

} // namespace lha
