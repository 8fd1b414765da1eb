// unlha: the archiver library from the command line.  The arguments become
// one command text; the exit status is the result.  The listing goes to
// standard output, every line saying what went wrong to standard error.  On
// a terminal, standard error shows one line of progress while the command
// works.
#include "command.h"
#include "morvane_version.h"
#include "output.h"
#include "platform.h"
#include "run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The line on a terminal: what share is done, which member, redrawn in place
// and wiped at the end, so that the command's own text stays as it is.
class TerminalLine : public lzh::ProgressWatcher {
public:
    ~TerminalLine() override { wipe(); }
    void wipe() {
        if (drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }
    bool report(const lzh::ProgressReport &r) override {
        winsize ws{};
        const int width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20 ? ws.ws_col : 80;
        const unsigned percent =
            r.bytes_total ? static_cast<unsigned>(r.bytes_done * 100 / r.bytes_total) : r.members_total ? static_cast<unsigned>(r.members_done * 100 / r.members_total) : 0;
        std::string line = std::string(1, r.command) + " " + std::to_string(percent) + "% " +
                           std::to_string(r.members_done) + "/" + std::to_string(r.members_total) + " ";
        // Cut the member's name to the width, on a character's first byte.
        std::string_view name = r.member;
        std::size_t room = static_cast<std::size_t>(width - 1) > line.size() ? width - 1 - line.size() : 0;
        std::size_t cut = 0, shown = 0;
        while (cut < name.size() && shown < room) {
            ++cut;
            while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
            ++shown;
        }
        line.append(name.substr(0, cut));
        std::fprintf(stderr, "\r%s\033[K", line.c_str());
        std::fflush(stderr);
        drawn_ = true;
        return true;
    }

private:
    bool drawn_ = false;
};

// The command's own lines, each after the progress line is wiped.
class OutputBelow : public lzh::Output {
public:
    OutputBelow(lzh::Output &inner, TerminalLine &line) : inner_(inner), line_(line) {}
    void line(std::string_view text) override {
        line_.wipe();
        inner_.line(text);
        std::fflush(stdout);
    }
    void error(std::string_view text) override {
        line_.wipe();
        inner_.error(text);
    }

private:
    lzh::Output &inner_;
    TerminalLine &line_;
};

void usage(std::FILE *f) {
    std::fputs("usage:\n", f);
    for (const lzh::CommandSpec &c : lzh::commands())
        std::fprintf(f, "  unlha %c %-47.*s %.*s\n", c.verbs[0], int(c.usage.size()), c.usage.data(),
                     int(c.what.size()), c.what.data());
    std::fputs("  unlha --help | --version\n"
               "-names=CODE says the form of the archive's names: sjis, euc, utf8 or cap (without it they are\n"
               "read as the archive says, else guessed, and written in Shift_JIS where it holds them, else UTF-8).\n"
               "The exit status is the command's result, 0 for success (unlha(1) lists them).\n",
               f);
}

// --help and --version, which are no command texts.  True when argv asked
// for one of them (it is then answered).
bool answer_option(int argc, char **argv) {
    if (argc != 2) return false;
    const std::string_view arg = argv[1];
    if (arg == "--help") usage(stdout);
    else if (arg == "--version") std::printf("unlha (Morvane) %s\n", MORVANE_VERSION);
    else return false;
    return true;
}

// The command's result, or a failure to write when its text did not reach
// standard output (a full disk, a closed pipe): a silent loss is no success.
int finish_output(int rc) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return rc;
    const int err = errno;
    std::fprintf(stderr, "unlha: cannot write standard output%s%s\n", err ? ": " : "", err ? std::strerror(err) : "");
    return rc != UNLHA_OK ? rc : UNLHA_ERR_WRITE;
}

} // namespace

int main(int argc, char **argv) {
    // Killed by a person or the session: no half-written file stays behind.
    lzh::platform::remove_temporaries_on_signals();
    if (answer_option(argc, argv)) return finish_output(UNLHA_OK);
    if (argc < 2) {
        usage(stderr);
        return UNLHA_ERR_COMMAND;
    }
    std::string text;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i > 1) text += ' ';
        text += lzh::command_word(arg);
    }
    lzh::StreamOutput out(stdout, stderr);
    int rc;
    if (::isatty(STDERR_FILENO)) {
        TerminalLine line;
        OutputBelow below(out, line);
        rc = lzh::run_command(text, below, &line);
    } else {
        rc = lzh::run_command(text, out);
    }
    if (rc == UNLHA_ERR_COMMAND && !lzh::find_command(argv[1])) usage(stderr);
    return finish_output(rc);
}
