#include "options.h"

#include <cstring>

namespace lha {

const char *const kUsage = "usage: lha [-]KEY[MODIFIERS] ARCHIVE [FILE...]";

namespace {

constexpr const char *kKeys = "aumcxelvtpd";
// The one long option among the modifiers, before the key or after it.
constexpr const char *kBest = "--best";

ParseResult failure(std::string what) {
    ParseResult r;
    r.kind = ParseResult::Kind::error;
    r.error = std::move(what);
    return r;
}

std::string quoted(char c) { return std::string("'") + c + "'"; }

constexpr std::string_view kLongOptions[] = {"archive-kanji-code", "system-kanji-code", "best"};

// Walks the words of a command line: the key word, then any further
// "-MODIFIERS" words, then the archive and the files.
class Parser {
public:
    explicit Parser(const std::vector<std::string> &args) : args_(args) {}

    ParseResult run() {
        ParseResult r;
        Options &o = r.options;
        std::string word = args_[next_++];
        std::size_t at = word[0] == '-' ? 1 : 0;
        if (at >= word.size()) return failure("no command given (" + std::string(kUsage) + ")");
        o.key = word[at++];
        if (!std::strchr(kKeys, o.key))
            return failure("unknown command " + quoted(o.key) + " (commands: a u m c x e l v t p d)");
        if (o.key == 'm') o.delete_after = true;

        for (;;) {
            if (!modifiers(word, at, o)) return failure(error_);
            if (next_ >= args_.size()) break;
            const std::string &w = args_[next_];
            if (w.size() < 2 || w[0] != '-') break;  // "-" alone names standard input
            ++next_;
            if (w == "--") break;
            if (w[1] == '-') {
                if (!long_option(w, o)) return failure(error_);
                word.clear();
                at = 0;
                continue;
            }
            word = w;
            at = 1;
        }

        if (next_ >= args_.size()) return failure("no archive given (" + std::string(kUsage) + ")");
        o.archive = args_[next_++];
        o.files.assign(args_.begin() + static_cast<std::ptrdiff_t>(next_), args_.end());
        return r;
    }

private:
    // The modifiers in `word` from `at`; false with error_ set on a mistake.
    bool modifiers(const std::string &word, std::size_t at, Options &o) {
        while (at < word.size()) {
            char c = word[at++];
            char n = at < word.size() ? word[at] : '\0';
            switch (c) {
            case 'q':
                if (n >= '0' && n <= '2') {
                    o.quiet = n - '0';
                    ++at;
                } else {
                    o.quiet = 2;
                }
                break;
            case 'v': ++o.verbose; break;
            case 'n': o.no_execute = true; break;
            case 'f': o.force = true; break;
            case 'i': o.ignore_folders = true; break;
            case 'z': o.method = "-lh0-"; break;
            case 'd': o.delete_after = true; break;
            case 'g':
                // The generic format is the oldest one: level 0 unless a
                // later modifier says otherwise.
                o.generic = true;
                o.header_level = 0;
                break;
            case '0':
            case '1':
            case '2': o.header_level = c - '0'; break;
            case 'o':
                if (n < '5' || n > '7') {
                    error_ = n ? "invalid compression method 'o" + std::string(1, n) + "' (o5, o6 or o7)"
                               : "compression method 'o' needs 5, 6 or 7";
                    return false;
                }
                o.method = std::string("-lh") + n + "-";
                ++at;
                break;
            case 'w':
            case 'x': {
                // The value is the rest of the word after an optional "=",
                // or the next word when that is empty.
                if (n == '=') ++at;
                std::string value = word.substr(std::min(at, word.size()));
                at = word.size();
                if (value.empty()) {
                    if (next_ >= args_.size()) {
                        error_ = c == 'w' ? "modifier 'w' needs a folder (w=DIR)" : "modifier 'x' needs a pattern (x=PATTERN)";
                        return false;
                    }
                    value = args_[next_++];
                }
                if (c == 'w')
                    o.extract_dir = value;
                else
                    o.excludes.push_back(value);
                break;
            }
            default:
                error_ = "unknown modifier " + quoted(c) + " (modifiers: q[012] v n f i o5 o6 o7 z g 0 1 2 d w=DIR x=PATTERN)";
                return false;
            }
        }
        return true;
    }

    // One long option; false with error_ set on a mistake.
    bool long_option(const std::string &word, Options &o) {
        std::string name = word.substr(2), value;
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        std::vector<std::string_view> found;
        for (std::string_view option : kLongOptions)
            if (!name.empty() && option.starts_with(name)) found.push_back(option);
        if (found.size() != 1) {
            error_ = (found.empty() ? "unknown long option \"" : "ambiguous long option \"") + word +
                     "\" (--archive-kanji-code=CODE, --system-kanji-code=utf8, --best)";
            return false;
        }
        if (found[0] == "best") {
            if (eq != std::string::npos) {
                error_ = "--best takes no value";
                return false;
            }
            o.best = true;
            return true;
        }
        if (eq == std::string::npos) {
            if (next_ >= args_.size()) {
                error_ = "--" + std::string(found[0]) + " needs a value";
                return false;
            }
            value = args_[next_++];
        }
        if (found[0] == "system-kanji-code") {
            if (value == "utf8") return true;  // what file names are here
            error_ = "file names on this system are UTF-8 (--system-kanji-code=utf8), not " + value;
            return false;
        }
        const std::optional<lzh::NameCode> code = lzh::name_code(value);
        if (!code) {
            error_ = "unknown kanji code \"" + value + "\" (sjis, euc, utf8 or cap)";
            return false;
        }
        o.archive_names = *code;
        return true;
    }

    const std::vector<std::string> &args_;
    std::size_t next_ = 0;
    std::string error_;
};

// The words after any leading --best.
ParseResult parse_words(const std::vector<std::string> &args) {
    if (args.empty()) return failure("no command given (" + std::string(kUsage) + ")");
    if (args[0] == "--help") return ParseResult{ParseResult::Kind::help, {}, {}};
    if (args[0] == "--version") return ParseResult{ParseResult::Kind::version, {}, {}};
    if (args[0].empty()) return failure("no command given (" + std::string(kUsage) + ")");
    if (args[0].rfind("--", 0) == 0)
        return failure("unknown long option \"" + args[0] + "\" (--help, --version, --best)");
    // A lone archive name lists it.
    if (args.size() == 1 && args[0][0] != '-') {
        ParseResult r;
        r.options.key = 'l';
        r.options.archive = args[0];
        return r;
    }
    return Parser(args).run();
}

} // namespace

ParseResult parse_command_line(const std::vector<std::string> &given) {
    std::vector<std::string> args = given;
    bool best = false;
    while (!args.empty() && args[0] == kBest) {
        best = true;
        args.erase(args.begin());
    }
    ParseResult r = parse_words(args);
    if (best) r.options.best = true;
    return r;
}

} // namespace lha
