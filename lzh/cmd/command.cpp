#include "command.h"

namespace lzh {

std::vector<ParsedWord> split_command_words(std::string_view text) {
    std::vector<ParsedWord> words;
    ParsedWord cur;
    bool in_word = false, in_quotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' && in_quotes && i + 1 < text.size() && text[i + 1] == '"') {
            cur.text += c;  // a doubled quote inside quotes is one quote of the word
            ++i;
        } else if (c == '"') {
            in_quotes = !in_quotes;
            in_word = true;
            cur.quoted = true;
        } else if (c == ' ' && !in_quotes) {
            if (in_word) words.push_back(std::move(cur));
            cur = ParsedWord{};
            in_word = false;
        } else {
            cur.text += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(std::move(cur));
    return words;
}

std::string command_word(std::string_view word) {
    if (!word.empty() && word.find_first_of(" \"") == std::string_view::npos) return std::string(word);
    std::string text = "\"";
    for (char c : word) {
        text += c;
        if (c == '"') text += '"';
    }
    return text + '"';
}

namespace {
bool ends_with_separator(const std::string &s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }
constexpr std::string_view kNamesSwitch = "-names=";
} // namespace

const CommandSpec *find_command(std::string_view verb) {
    if (verb.size() != 1) return nullptr;
    for (const CommandSpec &c : commands())
        if (c.verbs.find(verb[0]) != std::string_view::npos) return &c;
    return nullptr;
}

bool parse_command(std::string_view text, Command &cmd, std::string &error) {
    cmd = Command{};
    std::vector<ParsedWord> words = split_command_words(text);
    if (words.empty()) {
        error = "empty command";
        return false;
    }
    const std::string &verb = words[0].text;
    const CommandSpec *entry = find_command(verb);
    if (!entry) {
        error = "unknown command \"" + verb + "\"";
        return false;
    }
    cmd.verb = entry->verbs[0];

    bool have_archive = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const ParsedWord &w = words[i];
        if (!w.quoted && w.text.size() > 1 && w.text[0] == '-') {
            const std::string &s = w.text;
            if (s == "-c") cmd.overwrite = true;
            else if (s == "-b") cmd.best = true;
            else if (s.size() == 3 && s[1] == 'o' && encoded_method(s[2])) cmd.method = encoded_method(s[2]);
            else if (s == "-jw2" || s == "-gw3") {}  // the self-extractor's kind: we make one kind only
            else if (s.starts_with(kNamesSwitch) && name_code(s.substr(kNamesSwitch.size())))
                cmd.name_code = *name_code(s.substr(kNamesSwitch.size()));
            else if (s.starts_with(kNamesSwitch)) {
                error = "unknown form of names \"" + s.substr(kNamesSwitch.size()) + "\" (sjis, euc, utf8 or cap)";
                return false;
            } else {
                error = "unknown switch \"" + s + "\"";
                return false;
            }
            continue;
        }
        if (!have_archive) {
            cmd.archive = w.text;
            have_archive = true;
        } else if (cmd.folder.empty() && cmd.names.empty() && entry->takes_folder && ends_with_separator(w.text)) {
            cmd.folder = w.text;
        } else {
            cmd.names.push_back(w.text);
        }
    }
    if (!have_archive) {
        error = "no archive named";
        return false;
    }
    // "d ARCHIVE docs/": with nothing after it, the word is the member to
    // delete (a folder member), not the base folder.
    if (cmd.verb == 'd' && cmd.names.empty() && !cmd.folder.empty()) {
        cmd.names.push_back(cmd.folder);
        cmd.folder.clear();
    }
    if (cmd.verb == 's' && cmd.folder.empty() && !cmd.names.empty()) {
        // "s ARCHIVE FOLDER": the folder may come without its separator.
        cmd.folder = cmd.names.front() + "/";
        cmd.names.erase(cmd.names.begin());
    }
    return true;
}

} // namespace lzh
