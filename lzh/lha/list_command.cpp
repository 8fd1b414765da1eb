#include "list_command.h"

#include "archive.h"
#include "archive_name.h"
#include "listing.h"
#include "match.h"

#include <sys/stat.h>

namespace lha {
namespace {

bool wanted(const std::vector<std::string> &patterns, const std::string &name) {
    if (patterns.empty()) return true;
    for (const std::string &p : patterns)
        if (lzh::wildcard_match(p, name)) return true;
    return false;
}

} // namespace

int list_command(const Options &o, std::time_t now, std::FILE *out, std::FILE *err) {
    // "-" is standard input, when that is a file: the listing seeks.
    std::string path = o.archive == "-" ? "/dev/stdin" : resolve_archive_name(o.archive);
    lzh::ArchiveReader reader;
    if (reader.open(path, o.archive_names) != UNLHA_OK) {
        std::fprintf(err, "LHa: Error: %s\n", reader.error().c_str());
        return 1;
    }

    ListStyle style;
    style.packed = o.key == 'v';
    style.verbose = o.verbose;
    style.quiet = o.silent();
    style.now = now;
    ListFormat format(style);

    if (!style.quiet) std::fputs(format.head().c_str(), out);
    std::uint64_t count = 0, packed = 0, original = 0;
    lzh::Member m;
    while (reader.next(m)) {
        if (!wanted(o.files, ListFormat::shown_name(m))) continue;
        std::fputs(format.member(m).c_str(), out);
        ++count;
        packed += m.packed_size;
        original += m.original_size;
    }
    if (!style.quiet) {
        struct stat st {};
        std::time_t mtime = ::fstat(reader.fd(), &st) == 0 ? st.st_mtime : 0;
        std::fputs((format.separator() + format.total(count, packed, original, mtime)).c_str(), out);
    }

    int status = 0;
    if (reader.error_code() != UNLHA_OK) {
        std::fflush(out);
        std::fprintf(err, "LHa: Error: %s: %s\n", path.c_str(), reader.error().c_str());
        status = 1;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "LHa: Error: cannot write the listing\n");
        status = 1;
    }
    return status;
}

} // namespace lha
