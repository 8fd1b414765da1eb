#include "progress.h"

namespace lzh {

void Progress::plan(std::uint64_t members, std::uint64_t bytes) {
    r_.members_total = members;
    r_.bytes_total = bytes;
    tell(ProgressEvent::work);
}

bool Progress::begin(std::string_view member, const Member *header) {
    member_ = member;
    r_.member = member_;
    r_.header = header;
    r_.member_bytes = 0;
    return tell(ProgressEvent::begin);
}

bool Progress::work(std::uint64_t bytes) {
    r_.member_bytes += bytes;
    r_.bytes_done += bytes;
    if (stopped_) return false;
    if (!watcher_) return true;
    return tell(ProgressEvent::work);
}

void Progress::end(MemberOutcome outcome, const Member *header) {
    ++r_.members_done;
    r_.outcome = stopped_ ? MemberOutcome::stopped : outcome;
    if (header) r_.header = header;
    // The member's end is told even when stopping: its file is gone.
    bool was = stopped_;
    tell(ProgressEvent::end);
    stopped_ = was || stopped_;
    r_.header = nullptr;
}

bool Progress::tell(ProgressEvent event) {
    if (!watcher_) return !stopped_;
    r_.event = event;
    if (!watcher_->report(r_)) stopped_ = true;
    return !stopped_;
}

} // namespace lzh
