#include "names.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>
#include <utility>

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
    // the output so far and the byte, and skips that byte. Returns false
    // when on_bad does.
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
                if (!on_bad(out, *src)) return false;
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

enum class Charset { cp932, eucjp };
// From `charset` to UTF-8, and back; opened once per thread.
Converter &decoder(Charset charset) {
    thread_local Converter cp932("UTF-8", "CP932"), eucjp("UTF-8", "EUC-JP");
    return charset == Charset::cp932 ? cp932 : eucjp;
}
Converter &encoder(Charset charset) {
    thread_local Converter cp932("CP932", "UTF-8"), eucjp("EUC-JP", "UTF-8");
    return charset == Charset::cp932 ? cp932 : eucjp;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// CAP writes each byte from 0x80 on as ":" and two hexadecimal digits.
std::string from_cap(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        int hi, lo;
        if (raw[i] == ':' && i + 2 < raw.size() && (hi = hex_value(raw[i + 1])) >= 0 && (lo = hex_value(raw[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += raw[i];
        }
    }
    return out;
}
std::string to_cap(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += ':';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

// Decodes with `c`, each undecodable byte kept as it is.
std::string decode_with(Converter &c, std::string_view raw) {
    if (!c.ok()) return std::string(raw);
    std::string out;
    out.reserve(raw.size() * 3 / 2);
    c.convert(raw, out, [](std::string &o, char byte) {
        o += byte;
        return true;
    });
    return out;
}

// Code pages other than 932 and 65001 are rare; they are opened as needed.
// EUC-JP's two numbers are no names iconv knows.
std::string decode_code_page(std::string_view raw, std::uint32_t code_page) {
    if (code_page == 20932 || code_page == 51932) return decode_with(decoder(Charset::eucjp), raw);
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

std::size_t utf8_char_length(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return len;
}

bool is_valid_utf8(std::string_view s) {
    for (std::size_t i = 0, len; i < s.size(); i += len)
        if ((len = utf8_char_length(s, i)) == 0) return false;
    return true;
}

namespace {
constexpr std::pair<NameCode, std::string_view> kNameCodes[] = {
    {NameCode::sjis, "sjis"}, {NameCode::euc, "euc"}, {NameCode::utf8, "utf8"}, {NameCode::cap, "cap"}};
} // namespace

std::optional<NameCode> name_code(std::string_view word) {
    for (const auto &[code, w] : kNameCodes)
        if (w == word) return code;
    return std::nullopt;
}

std::string_view name_code_word(NameCode code) {
    for (const auto &[c, w] : kNameCodes)
        if (c == code) return w;
    return "auto";
}

std::uint32_t code_page_of(NameCode code) {
    return code == NameCode::sjis ? kCodePageShiftJis : code == NameCode::utf8 ? kCodePageUtf8 : 0;
}

std::string name_to_utf8(std::string_view raw, std::optional<std::uint32_t> code_page, NameCode code) {
    switch (code) {
    case NameCode::automatic: break;
    case NameCode::utf8: return std::string(raw);
    case NameCode::sjis: return decode_with(decoder(Charset::cp932), raw);
    case NameCode::euc: return decode_with(decoder(Charset::eucjp), raw);
    case NameCode::cap: return decode_with(decoder(Charset::cp932), from_cap(raw));
    }
    if (all_ascii(raw)) return std::string(raw);
    // Bytes said to be UTF-8 that are not stay as they are, as a file
    // system's names come back.
    if (code_page == kCodePageUtf8) return std::string(raw);
    if (code_page == kCodePageShiftJis) return decode_with(decoder(Charset::cp932), raw);
    if (code_page) {
        // Used unless it kept an undecodable byte (no part of a character).
        std::string out = decode_code_page(raw, *code_page);
        if (is_valid_utf8(out)) return out;
    }
    if (is_valid_utf8(raw)) return std::string(raw);
    return decode_with(decoder(Charset::cp932), raw);
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

NameCode code_for(const std::vector<std::string_view> &texts) {
    for (std::string_view t : texts) {
        std::string out;
        if (!name_from_utf8(t, NameCode::sjis, out)) return NameCode::utf8;
        // A code page 932 form that happens to be valid UTF-8 would be read
        // back as other characters by readers that guess.
        if (!all_ascii(t) && is_valid_utf8(out)) return NameCode::utf8;
    }
    return NameCode::sjis;
}

bool name_from_utf8(std::string_view utf8, NameCode code, std::string &stored) {
    if (code == NameCode::utf8 || all_ascii(utf8)) {
        stored = utf8;
        return true;
    }
    Converter &c = encoder(code == NameCode::euc ? Charset::eucjp : Charset::cp932);
    std::string out;
    if (!c.ok() || !c.convert(utf8, out, [](std::string &, char) { return false; })) return false;
    stored = code == NameCode::cap ? to_cap(out) : out;
    return true;
}

namespace {

// Control characters, "%", the characters in `also` and, when `bytes`, each
// byte that is no part of a UTF-8 character, as %XX.
std::string escaped(std::string_view text, std::string_view also, bool bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        const std::size_t len = u < 0x80 || !bytes ? 1 : utf8_char_length(text, i);
        if (u < 0x20 || u == 0x7F || c == '%' || also.find(c) != std::string_view::npos || len == 0) {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
            ++i;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out;
}

} // namespace

std::string exact_name(std::string_view path) { return escaped(path, "\"*?", true); }

std::string typed_name(std::string_view name) { return escaped(name, "", false); }

std::string from_exact_name(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        int hi, lo;
        if (name[i] == '%' && i + 2 < name.size() && (hi = hex_value(name[i + 1])) >= 0 &&
            (lo = hex_value(name[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += name[i];
        }
    }
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
