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

// Decodes with `c`, each undecodable byte as U+FFFD.
std::string decode_with(Converter &c, std::string_view raw) {
    std::string out;
    out.reserve(raw.size() * 3 / 2);
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

// Code pages other than 932 and 65001 are rare; they are opened as needed.
std::string decode_code_page(std::string_view raw, std::uint32_t code_page) {
    Converter c("UTF-8", ("CP" + std::to_string(code_page)).c_str());
    return decode_with(c, raw);
}

void append_utf8(std::string &out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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

std::string name_to_utf8(std::string_view raw, std::optional<std::uint32_t> code_page) {
    if (all_ascii(raw)) return std::string(raw);
    if (code_page == kCodePageUtf8) return is_valid_utf8(raw) ? std::string(raw) : decode_with(from_cp932(), raw);
    if (code_page == kCodePageShiftJis) return decode_with(from_cp932(), raw);
    if (code_page) {
        std::string out = decode_code_page(raw, *code_page);
        if (out.find("\xEF\xBF\xBD") == std::string::npos) return out;
    }
    if (is_valid_utf8(raw)) return std::string(raw);
    return decode_with(from_cp932(), raw);
}

std::string utf16le_to_utf8(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        std::uint32_t u = static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < raw.size()) {
            std::uint32_t lo = static_cast<unsigned char>(raw[i + 2]) | (static_cast<unsigned char>(raw[i + 3]) << 8);
            if (lo >= 0xDC00 && lo < 0xE000) {
                append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        append_utf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

std::uint32_t code_page_for(const std::vector<std::string_view> &texts) {
    Converter &c = to_cp932();
    if (!c.ok()) return kCodePageUtf8;
    for (std::string_view t : texts) {
        if (all_ascii(t)) continue;
        std::string out;
        if (!c.convert(t, out, [](std::string &) { return false; })) return kCodePageUtf8;
        // A code page 932 form that happens to be valid UTF-8 would be read
        // back as other characters by readers that guess.
        if (is_valid_utf8(out)) return kCodePageUtf8;
    }
    return kCodePageShiftJis;
}

std::string name_from_utf8(std::string_view utf8, std::uint32_t code_page) {
    if (code_page != kCodePageShiftJis || all_ascii(utf8)) return std::string(utf8);
    std::string out;
    Converter &c = to_cp932();
    if (!c.ok() || !c.convert(utf8, out, [](std::string &) { return false; })) return std::string(utf8);
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
