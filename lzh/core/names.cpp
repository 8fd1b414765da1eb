#include "names.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace lzh {
namespace {

bool all_ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// One converter per direction and thread; iconv_open is too slow per name.
class Converter {
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can. On an invalid sequence, calls on_bad with
    // the output so far and skips one input byte. Returns false when an
    // unconvertible character is met and on_bad is null.
    template <typename OnBad>
    bool convert(std::string_view in, std::string &out, OnBad on_bad) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char *src = const_cast<char *>(in.data());
        size_t left = in.size();
        char buf[256];
        while (left > 0) {
            char *dst = buf;
            size_t room = sizeof buf;
            size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                if (!on_bad(out)) return false;
                ++src;
                --left;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char *dst = buf;
        size_t room = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        return true;
    }

private:
    iconv_t cd_;
};

Converter &from_cp932() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}
Converter &to_cp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

} // namespace

bool is_valid_utf8(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++i; continue; }
        size_t len;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}

std::string name_to_utf8(std::string_view raw) {
    if (all_ascii(raw) || is_valid_utf8(raw)) return std::string(raw);
    std::string out;
    out.reserve(raw.size() * 3 / 2);
    Converter &c = from_cp932();
    if (!c.ok()) {
        // Without a converter keep ASCII and mark the rest.
        for (unsigned char ch : raw) out += ch < 0x80 ? std::string(1, static_cast<char>(ch)) : std::string("\xEF\xBF\xBD");
        return out;
    }
    c.convert(raw, out, [](std::string &o) {
        o += "\xEF\xBF\xBD";
        return true;
    });
    return out;
}

std::string name_from_utf8(std::string_view utf8) {
    if (all_ascii(utf8)) return std::string(utf8);
    Converter &c = to_cp932();
    if (!c.ok()) return std::string(utf8);
    std::string out;
    if (!c.convert(utf8, out, [](std::string &) { return false; })) return std::string(utf8);
    // A code page 932 form that happens to be valid UTF-8 would be read back
    // as other characters: store such a name in UTF-8.
    if (is_valid_utf8(out)) return std::string(utf8);
    return out;
}

std::vector<std::string> split_path(std::string_view p) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/' || p[i] == '\\') {
            if (i > start) parts.emplace_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

} // namespace lzh
