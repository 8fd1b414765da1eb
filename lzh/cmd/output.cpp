#include "output.h"

#include <cstring>

namespace lzh {

BufferOutput::BufferOutput(char *buf, std::uint32_t size) : buf_(buf), size_(size) {
    if (buf_ && size_ > 0) buf_[0] = '\0';
}

void BufferOutput::line(std::string_view text) {
    // A caller that gives no room asks for no text: nothing is written and
    // nothing counts as cut off.
    if (overflow_ || !buf_ || size_ == 0) return;
    std::size_t need = text.size() + kNewline.size();
    if (need > size_ - 1 - used_) {  // one byte stays for the NUL
        overflow_ = true;
        return;
    }
    std::memcpy(buf_ + used_, text.data(), text.size());
    std::memcpy(buf_ + used_ + text.size(), kNewline.data(), kNewline.size());
    used_ += static_cast<std::uint32_t>(need);
    buf_[used_] = '\0';
}

namespace {
void write_line(std::FILE *f, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fwrite(kNewline.data(), 1, kNewline.size(), f);
}
} // namespace

void StreamOutput::line(std::string_view text) { write_line(f_, text); }

void StreamOutput::error(std::string_view text) {
    if (!errors_) return write_line(f_, text);
    std::fflush(f_);
    write_line(errors_, text);
    std::fflush(errors_);
}

void Report::stopped(std::string_view message) {
    result_ = UNLHA_ERR_STOPPED;
    out_.error(message);
}

void Report::fail(UnlhaResult result, std::string_view message) {
    ++failures_;
    if (result_ == UNLHA_OK) result_ = result;
    out_.error(message);
}

} // namespace lzh
