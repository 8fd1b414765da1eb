// Where a command's text goes: the caller's fixed buffer (the C entry
// point) or a stream (the command-line tool, the self-extractor).
#pragma once

#include "unlha32.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace lzh {

// Line ending of the text handed back to callers.
#ifdef _WIN32
inline constexpr std::string_view kNewline = "\r\n";
#else
inline constexpr std::string_view kNewline = "\n";
#endif

class Output {
public:
    virtual ~Output() = default;
    // One line, without its line ending.
    virtual void line(std::string_view text) = 0;
    // A line saying what went wrong.  It joins the other lines unless the
    // caller keeps them apart (unlha sends it to standard error).
    virtual void error(std::string_view text) { line(text); }
    // True when some text was dropped for lack of room.
    virtual bool overflowed() const { return false; }
};

// Fills a caller's buffer with whole lines only and keeps it NUL-terminated;
// once a line does not fit, that line and every later one are dropped.
class BufferOutput : public Output {
public:
    BufferOutput(char *buf, std::uint32_t size);
    void line(std::string_view text) override;
    bool overflowed() const override { return overflow_; }

private:
    char *buf_;
    std::uint32_t size_, used_ = 0;
    bool overflow_ = false;
};

// Lines to `f`; error lines to `errors` when one is given, `f` flushed
// first so that the two keep their order where they meet (a terminal).
class StreamOutput : public Output {
public:
    explicit StreamOutput(std::FILE *f, std::FILE *errors = nullptr) : f_(f), errors_(errors) {}
    void line(std::string_view text) override;
    void error(std::string_view text) override;

private:
    std::FILE *f_, *errors_;
};

// Messages name a member or path and say what went wrong; report() sends
// one and keeps the first failing result of the command.
class Report {
public:
    explicit Report(Output &out) : out_(out) {}
    void fail(UnlhaResult result, std::string_view message);
    // The watcher asked to stop: that is the command's result, whatever failed before.
    void stopped(std::string_view message);
    void info(std::string_view message) { out_.line(message); }
    UnlhaResult result() const { return result_; }
    std::size_t failures() const { return failures_; }
    Output &out() { return out_; }

private:
    Output &out_;
    UnlhaResult result_ = UNLHA_OK;
    std::size_t failures_ = 0;
};

} // namespace lzh
