// encode(): streams the input in segments, codes them on two worker
// threads (each segment sees the window before it as its dictionary) and
// joins their bit strings in order.  Input that fits one segment is coded
// on the calling thread.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "codec.h"
#include "method.h"
#include "segment_coder.h"

namespace lzh {

namespace {

using enc::kReadPadding;
using enc::Method;
using enc::SegmentCoder;

constexpr std::size_t kSegment = 256 * 1024;
constexpr int kWorkers = 2;
constexpr int kSlots = 3;  // segments read, being coded, or waiting to be written

// Reads until n bytes or the end; -1 on a read error.
std::ptrdiff_t read_full(ByteSource &in, std::uint8_t *buf, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        std::ptrdiff_t r = in.read(buf + got, n - got);
        if (r < 0) return -1;
        if (r == 0) break;
        got += std::size_t(r);
    }
    return std::ptrdiff_t(got);
}

// Joins the segments' bit strings and hands whole bytes to the sink,
// never passing the give-up limit.  Each segment's bits are shifted in
// place behind the bits left over from the one before.
class Output {
public:
    Output(ByteSink &sink, std::uint64_t limit, EncodeResult &result)
        : sink_(sink), limit_(limit), result_(result) {}

    // `buf` holds `bits` bits and has one spare byte after them.
    bool append(std::uint8_t *buf, std::uint64_t bits) {
        std::size_t nbytes = std::size_t((bits + 7) / 8);
        if (carry_bits_) {
            const unsigned k = carry_bits_;
            std::uint8_t c = carry_;
            for (std::size_t i = 0; i < nbytes; ++i) {
                std::uint8_t b = buf[i];
                buf[i] = std::uint8_t(c | (b >> k));
                c = std::uint8_t(b << (8 - k));
            }
            buf[nbytes] = c;
        }
        std::uint64_t total = carry_bits_ + bits;
        std::size_t whole = std::size_t(total / 8);
        carry_bits_ = unsigned(total % 8);
        carry_ = carry_bits_ ? buf[whole] : 0;
        return write(buf, whole);
    }

    bool finish() {
        if (carry_bits_ == 0) return true;
        carry_bits_ = 0;
        return write(&carry_, 1);
    }

private:
    bool write(const std::uint8_t *buf, std::size_t n) {
        if (result_.packed + n + (carry_bits_ ? 1 : 0) > limit_) {
            result_.gave_up = true;
            return false;
        }
        if (n && !sink_.write(buf, n)) {
            result_.status = CodecStatus::write_error;
            return false;
        }
        result_.packed += n;
        return true;
    }

    ByteSink &sink_;
    std::uint64_t limit_;
    EncodeResult &result_;
    std::uint8_t carry_ = 0;
    unsigned carry_bits_ = 0;
};

struct Segment {
    // Allocated once, left uninitialised: only the pages used become resident.
    std::unique_ptr<std::uint8_t[]> in;   // dictionary, data, padding
    std::unique_ptr<std::uint8_t[]> out;  // the coded blocks and a spare byte
    std::size_t dict = 0;
    std::size_t size = 0;
    std::uint64_t out_bits = 0;
    bool done = false;

    void allocate(std::size_t window) {
        in.reset(new std::uint8_t[window + kSegment + kReadPadding]);
        out.reset(new std::uint8_t[enc::max_coded_bytes(kSegment) + 1]);
    }
};

// The worker threads and the queue of segments waiting for them.
class Pool {
public:
    explicit Pool(const Method &method) {
        for (int i = 0; i < kWorkers; ++i) coders_.push_back(std::make_unique<SegmentCoder>(method));
        // Where no thread can be started, segments are coded by the caller.
        try {
            for (int i = 0; i < kWorkers; ++i) threads_.emplace_back([this, i] { run(*coders_[i]); });
        } catch (const std::system_error &) {
        }
    }
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            queue_.clear();
        }
        work_.notify_all();
        for (auto &t : threads_) t.join();
    }

    void submit(Segment *s) {
        if (threads_.empty()) {
            s->out_bits = coders_[0]->code(s->in.get(), s->dict, s->size, s->out.get());
            s->done = true;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            s->done = false;
            queue_.push_back(s);
        }
        work_.notify_one();
    }

    void wait(Segment *s) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [s] { return s->done; });
    }

private:
    void run(SegmentCoder &coder) {
        for (;;) {
            Segment *s;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [this] { return quit_ || !queue_.empty(); });
                if (queue_.empty()) return;
                s = queue_.front();
                queue_.pop_front();
            }
            s->out_bits = coder.code(s->in.get(), s->dict, s->size, s->out.get());
            {
                std::lock_guard<std::mutex> lock(mutex_);
                s->done = true;
            }
            done_.notify_all();
        }
    }

    std::vector<std::unique_ptr<SegmentCoder>> coders_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable work_, done_;
    std::deque<Segment *> queue_;
    bool quit_ = false;
};

// Reads the next segment into s, with the tail of `before` as dictionary.
// Returns false on a read error.
bool fill(ByteSource &in, const Segment &before, Segment &s, std::size_t window, EncodeResult &r) {
    std::size_t total = before.dict + before.size;
    s.dict = std::min(window, total);
    std::memcpy(s.in.get(), before.in.get() + total - s.dict, s.dict);
    std::ptrdiff_t n = read_full(in, s.in.get() + s.dict, kSegment);
    if (n < 0) {
        r.status = CodecStatus::read_error;
        return false;
    }
    s.size = std::size_t(n);
    std::memset(s.in.get() + s.dict + s.size, 0, kReadPadding);
    r.original += s.size;
    return true;
}

} // namespace

EncodeResult encode(const MethodInfo &info, ByteSource &in, ByteSink &out, std::uint64_t give_up_above,
                    bool give_up_early) {
    EncodeResult r;
    const Method *method = &info;
    if (!info.encoded) {
        r.status = CodecStatus::unsupported;
        return r;
    }
    const std::size_t window = std::size_t(1) << method->window_bits;
    Output output(out, give_up_above, r);

    // The first segment decides whether threads are worth starting.
    Segment slots[kSlots];
    slots[0].in.reset(new std::uint8_t[window + kSegment + kReadPadding]);
    std::ptrdiff_t n = read_full(in, slots[0].in.get(), kSegment);
    if (n < 0) {
        r.status = CodecStatus::read_error;
        return r;
    }
    slots[0].size = std::size_t(n);
    std::memset(slots[0].in.get() + n, 0, kReadPadding);
    r.original = slots[0].size;
    if (slots[0].size < kSegment) {
        if (slots[0].size > 0) {
            SegmentCoder coder(*method);
            std::unique_ptr<std::uint8_t[]> packed(new std::uint8_t[enc::max_coded_bytes(slots[0].size) + 1]);
            // A trial parse of its start learns what codes cost in it.
            coder.learn(slots[0].in.get(), 0, slots[0].size);
            std::uint64_t bits = coder.parse(slots[0].in.get(), 0, slots[0].size, packed.get());
            if (!output.append(packed.get(), bits)) return r;
        }
        output.finish();
        return r;
    }

    slots[0].out.reset(new std::uint8_t[enc::max_coded_bytes(kSegment) + 1]);
    for (int i = 1; i < kSlots; ++i) slots[i].allocate(window);
    Pool pool(*method);
    pool.submit(&slots[0]);
    std::uint64_t filled = 1, written = 0, coded = 0;
    bool eof = false;
    for (;;) {
        while (!eof && filled - written < kSlots) {
            Segment &s = slots[filled % kSlots];
            if (!fill(in, slots[(filled - 1) % kSlots], s, window, r)) return r;
            if (s.size < kSegment) eof = true;
            if (s.size == 0) break;
            pool.submit(&s);
            ++filled;
        }
        if (written == filled) break;
        Segment &s = slots[written % kSlots];
        pool.wait(&s);
        if (!output.append(s.out.get(), s.out_bits)) return r;
        ++written;
        coded += s.size;
        if (give_up_early && r.packed >= coded) {
            r.gave_up = true;  // grown past its input so far: not worth finishing
            return r;
        }
    }
    output.finish();
    return r;
}

} // namespace lzh
