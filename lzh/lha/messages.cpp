#include "messages.h"

#include "dest_tree.h"
#include "listing.h"
#include "match.h"
#include "methods.h"

#include <cstring>

namespace lha {
namespace {

// The classic indicator spreads a member over at most this many columns,
// less its name's length, in steps of the method's dictionary size.
constexpr int kIndicatorColumns = 58;

// Bytes per step of the indicator for a method: its dictionary size, 2 KiB
// for the stored ones, 8 KiB for one nobody knows.
std::uint64_t indicator_unit(std::string_view method) {
    const lzh::MethodInfo *info = lzh::find_method(method);
    if (!info) return std::uint64_t(1) << 13;
    return info->window_bits ? std::uint64_t(1) << info->window_bits : 2048;
}

} // namespace

Messages::Messages(const MessageStyle &style, std::FILE *out, std::FILE *err) : style_(style), out_(out), err_(err) {}

std::string Messages::shown_name(std::string_view exact) const {
    std::string path = lzh::from_exact_name(exact);
    if (style_.key == 'x' || style_.key == 't' || style_.key == 'p') {
        // Where the library would write it: without leading separators,
        // and under i without its folders.
        std::string why;
        const bool folder = !path.empty() && path.back() == '/';
        if (auto parts = lzh::safe_parts(path, why); parts && !parts->empty()) {
            if (style_.flat) parts->erase(parts->begin(), parts->end() - 1);
            path.clear();
            for (const std::string &p : *parts) path += (path.empty() ? "" : "/") + p;
            if (folder && !style_.flat) path += '/';
        }
        if (!style_.folder.empty()) path = style_.folder + "/" + path;
    }
    return printable(path);
}

void Messages::newline_or_return() { std::fputs(style_.terminal ? "\r" : "\n", out_); }

bool Messages::report(const lzh::ProgressReport &r) {
    switch (r.event) {
    case lzh::ProgressEvent::begin: begin(r); break;
    case lzh::ProgressEvent::work:
        if (!in_member_ || !shown_) break;
        if (!started_ && r.member_bytes > 0) start_indicator();
        if (style_.quiet == 0 && threshold_ > 0) {
            for (; r.member_bytes > marked_; marked_ += threshold_) std::fputc('o', out_);
            std::fflush(out_);
        }
        break;
    case lzh::ProgressEvent::end: {
        const bool done = r.outcome == lzh::MemberOutcome::done;
        const char key = style_.key;
        if (key == 'a' && r.work == lzh::MemberWork::copy) {
        } else if (style_.dry_run) {
            if (key == 'x' || key == 't' || key == 'p') {
                const char *verb = key == 't' ? "VERIFY" : "EXTRACT";
                const bool folder = r.header && r.header->kind == lzh::MemberKind::directory;
                if (r.outcome == lzh::MemberOutcome::kept)
                    std::fprintf(out_, "EXTRACT %s but file is exist.\n", name_.c_str());
                else if (done && (!folder || key == 'x'))
                    std::fprintf(out_, "%s %s%s\n", verb, name_.c_str(), folder ? " (directory)" : "");
            }
        } else if (key == 'x' || key == 't') {
            if (shown_ && done && style_.quiet < 2) {
                if (!started_) start_indicator();
                finish(key == 't' ? "Tested  " : "Melted  ");
            } else if (shown_ && r.outcome == lzh::MemberOutcome::failed && started_ && style_.quiet < 2) {
                // Its line ends without "Melted" or "Tested": the file was
                // not extracted, nor found sound.  The library's line says why.
                std::fputc('\n', out_);
            } else if (r.outcome == lzh::MemberOutcome::kept) {
                std::fprintf(err_, "LHa: Warning: skip to extract %s.\n", name_.c_str());
            }
        } else if (key == 'a' && done && style_.quiet < 2 && r.header) {
            const lzh::Member &m = *r.header;
            if (m.kind == lzh::MemberKind::symlink)
                std::fprintf(out_, "%s -> %s\t- Symbolic Link\n", name_.c_str(), printable(m.link_target).c_str());
            if (m.original_size > 0 && !started_) start_indicator();
            // As the classic tool counts: packed share in whole percent, at most 100.
            std::uint64_t ratio = m.original_size ? m.packed_size * 100 / m.original_size : 0;
            finish("Frozen(" + std::to_string(ratio > 100 ? 100 : ratio) + "%)");
        } else if (key == 'd' && done && style_.quiet < 2 && r.work == lzh::MemberWork::own) {
            std::fprintf(err_, "LHa: delete %s\n", name_.c_str());
        }
        in_member_ = false;
        flush_pending();
        break;
    }
    }
    return true;
}

void Messages::begin(const lzh::ProgressReport &r) {
    in_member_ = true;
    started_ = false;
    marked_ = 0;
    threshold_ = 0;
    pending_.clear();
    name_ = shown_name(r.member);
    const lzh::Member *m = r.header;
    if (style_.key == 'a' && m && m->kind == lzh::MemberKind::directory) name_ += '/';
    size_ = m ? m->original_size : 0;
    shown_ = false;
    if (style_.dry_run) {
        if (style_.key == 'a' && r.work != lzh::MemberWork::copy)
            std::fprintf(out_, "%s %s\n", r.work == lzh::MemberWork::replace ? "REPLACE" : "ADD", name_.c_str());
        return;
    }
    switch (style_.key) {
    case 'x':
    case 't':
        shown_ = m && m->kind == lzh::MemberKind::file;
        verb_ = style_.key == 't' ? "Testing " : "Melting ";
        unit_ = m ? indicator_unit(m->method) : 0;
        break;
    case 'a':
        shown_ = r.work != lzh::MemberWork::copy && m && m->original_size > 0;
        {
            const lzh::MethodInfo *method = lzh::find_method(style_.store_method);
            const bool store = !method || method->kind != lzh::MethodKind::lh;
            verb_ = store ? "Storing " : "Freezing";
            unit_ = store ? 2048 : std::uint64_t(1) << method->window_bits;
        }
        break;
    case 'p':
        if (style_.quiet < 2) {
            std::fprintf(out_, "::::::::\n%s\n::::::::\n", name_.c_str());
            std::fflush(out_);
        }
        break;
    default: break;
    }
}

void Messages::start_indicator() {
    started_ = true;
    if (style_.quiet >= 2) return;
    if (style_.quiet == 1) {
        newline_or_return();
        std::fprintf(out_, "%s :", name_.c_str());
    } else {
        int room = kIndicatorColumns - static_cast<int>(name_.size());
        if (room < 1) room = 3;
        const std::uint64_t span = static_cast<std::uint64_t>(room) * unit_;
        threshold_ = span ? (size_ + span - 1) / span * unit_ : 0;
        const std::uint64_t dots = threshold_ ? (size_ + threshold_ - 1) / threshold_ : 0;
        newline_or_return();
        std::fprintf(out_, "%s\t- %s :  %s", name_.c_str(), verb_.c_str(), std::string(dots, '.').c_str());
        newline_or_return();
        std::fprintf(out_, "%s\t- %s :  ", name_.c_str(), verb_.c_str());
    }
    std::fflush(out_);
}

void Messages::finish(const std::string &text) {
    if (style_.quiet >= 2) return;
    // The o's reach the end of the member, whatever the last step was.
    if (style_.quiet == 0 && threshold_ > 0)
        for (; size_ > marked_; marked_ += threshold_) std::fputc('o', out_);
    newline_or_return();
    std::fprintf(out_, "%s\t- %s\n", name_.c_str(), text.c_str());
    std::fflush(out_);
}

void Messages::line(std::string_view text) {
    pending_.emplace_back(text);
    if (!in_member_) flush_pending();
}

void Messages::flush_pending() {
    std::fflush(out_);
    for (const std::string &l : pending_) std::fprintf(err_, "LHa: Error: %s\n", l.c_str());
    pending_.clear();
}

} // namespace lha
