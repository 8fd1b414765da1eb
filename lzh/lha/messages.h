// What `lha` says while it works, in the classic tool's words: a line per
// member on standard output, and the library's messages on standard error.
//
//   x, e   name<TAB>- Melting  :  .....   then o's as it goes, then
//          name<TAB>- Melted
//   t      the same with Testing / Tested
//   a      name<TAB>- Freezing :  ...     then  name<TAB>- Frozen(NN%)
//   p      ::::::::  name  ::::::::  before each member's data
//   d      LHa: delete name              (standard error)
//
// The indicator line is drawn twice, dots then o's over them: on a terminal
// a carriage return goes back, elsewhere each draw is a line of its own.
// q1 leaves the dots and o's out, q and q2 every member line.  A file that
// x keeps because it exists is LHa: Warning: skip to extract NAME.  The
// library's lines about a member follow that member's last line.
#pragma once

#include "output.h"
#include "progress.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace lha {

struct MessageStyle {
    char key = 'x';             // x (also e), t, a (also u, m, c), p, d
    int quiet = 0;              // 0, 1 (no indicator), 2 (no member lines)
    bool terminal = false;      // standard output is a terminal
    bool dry_run = false;       // n: what would be done, one line each
    std::string folder;         // x: w=DIR, shown before each name
    bool flat = false;          // x: i, each name without its folders
    std::string store_method;   // a: the method asked for (-lh0- stores)
};

class Messages : public lzh::ProgressWatcher, public lzh::Output {
public:
    Messages(const MessageStyle &style, std::FILE *out, std::FILE *err);

    bool report(const lzh::ProgressReport &r) override;
    void line(std::string_view text) override;

    // The name shown for a member's exact name: for x and e as written,
    // below w=DIR and without folders under i.
    std::string shown_name(std::string_view exact) const;

private:
    void begin(const lzh::ProgressReport &r);
    void start_indicator();
    void finish(const std::string &text);
    void flush_pending();
    void newline_or_return();

    MessageStyle style_;
    std::FILE *out_, *err_;
    // The member being worked on.
    bool in_member_ = false, shown_ = false, started_ = false;
    std::string name_;
    std::uint64_t size_ = 0, threshold_ = 0, marked_ = 0;
    std::uint64_t unit_ = 0;       // the method's share of the indicator
    std::string verb_;             // "Melting ", "Testing ", "Freezing", "Storing "
    std::vector<std::string> pending_;  // the library's lines about it
};

} // namespace lha
