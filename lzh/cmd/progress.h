// What a command tells whoever watches it: each member as it starts and
// ends, and the bytes in between, at least every 100 ms of work.  The C
// entry point hands this to a caller's callback (unlha32.h), the `unlha`
// tool draws a line on a terminal from it, `lha` prints its per-member
// messages.  A watcher may ask the command to stop; the command then ends
// with UNLHA_ERR_STOPPED and leaves things as a failure would.
#pragma once

#include "header.h"
#include "unlha32.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lzh {

enum class ProgressEvent { begin, work, end };

// How a member ended, for watchers that say so per member.
enum class MemberOutcome {
    done,     // extracted, tested, added, copied or deleted
    kept,     // an existing file kept (x without -c)
    failed,   // its line says why
    stopped,  // the watcher asked to stop
};

struct ProgressReport {
    char command = 0;              // the verb: 'x', 'a', ...
    ProgressEvent event = ProgressEvent::work;
    std::string_view member;       // its exact name; "" before the first member
    const Member *header = nullptr;  // the member's header (for "a", as written), when there is one
    MemberOutcome outcome = MemberOutcome::done;  // at ProgressEvent::end
    std::uint64_t member_bytes = 0;  // bytes of this member done
    std::uint64_t bytes_done = 0, bytes_total = 0;
    std::uint64_t members_done = 0, members_total = 0;
};

class ProgressWatcher {
public:
    virtual ~ProgressWatcher() = default;
    // False asks the command to stop.
    virtual bool report(const ProgressReport &r) = 0;
};

// A command's side: totals planned up front, members begun and ended,
// bytes counted as they are done.  Without a watcher it only counts.
class Progress {
public:
    Progress(char command, ProgressWatcher *watcher) : watcher_(watcher) { r_.command = command; }

    void plan(std::uint64_t members, std::uint64_t bytes);
    bool begin(std::string_view member, const Member *header = nullptr);
    // Counts bytes of work and reports them.  Callers count in chunks that
    // take well under 100 ms each (a decoder's output block, a read for the
    // compressor, a copy buffer).  False once stopped.
    bool work(std::uint64_t bytes);
    void end(MemberOutcome outcome, const Member *header = nullptr);
    bool stopped() const { return stopped_; }
    std::uint64_t member_bytes() const { return r_.member_bytes; }

private:
    bool tell(ProgressEvent event);
    ProgressWatcher *watcher_;
    ProgressReport r_;
    std::string member_;
    bool stopped_ = false;
};

} // namespace lzh
