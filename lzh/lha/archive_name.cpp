#include "archive_name.h"

#include <strings.h>
#include <sys/stat.h>

namespace lha {
namespace {

bool regular_file(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool has_archive_extension(const std::string &name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const char *ext = name.c_str() + dot;
    for (const char *known : {".lzh", ".lzs", ".com", ".exe", ".x", ".bak"})
        if (::strcasecmp(ext, known) == 0) return true;
    return false;
}

} // namespace

std::string resolve_archive_name(const std::string &name) {
    if (has_archive_extension(name) || regular_file(name)) return name;
    for (const char *ext : {".lzh", ".lzs"})
        if (regular_file(name + ext)) return name + ext;
    return name;
}

} // namespace lha
