// MemberEncoder and encode(): stream the input in segments, code them on
// two worker threads (each segment sees the window before it as its
// dictionary) and join their bit strings in order.  A member of one segment
// is coded whole by one worker; members announced ahead are coded while
// the ones before them are written.
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
#include "optimal_coder.h"
#include "segment_coder.h"

namespace lzh {

namespace {

using enc::kReadPadding;
using enc::Method;
using enc::OptimalCoder;
using enc::SegmentCoder;

constexpr std::size_t kSegment = MemberEncoder::kAheadBelow;
constexpr int kWorkers = 2;
constexpr int kSlots = 3;  // segments of a long member read, being coded, or waiting to be written

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
            std::size_t i = 0;
            for (; i + 8 <= nbytes; i += 8) {  // eight bytes at a time, most significant first
                std::uint64_t w;
                std::memcpy(&w, buf + i, 8);
                w = __builtin_bswap64(w);
                const std::uint64_t shifted = __builtin_bswap64(std::uint64_t(c) << 56 | w >> k);
                std::memcpy(buf + i, &shifted, 8);
                c = std::uint8_t(w << (8 - k));
            }
            for (; i < nbytes; ++i) {
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
    // Left uninitialised: only the pages used become resident.
    std::unique_ptr<std::uint8_t[]> in;   // dictionary, data, padding
    // The coded blocks and a spare byte.  A member of one segment gets it
    // only once coded, at the size it came to (many of them wait ahead at
    // once); a segment of a long member has room for the most it can take.
    std::unique_ptr<std::uint8_t[]> out;
    std::size_t dict = 0;
    std::size_t size = 0;
    std::uint64_t out_bits = 0;
    bool done = false;

    // Room for a segment with a window before it.
    void allocate(std::size_t window) {
        if (!in) in.reset(new std::uint8_t[window + kSegment + kReadPadding]);
        if (!out) out.reset(new std::uint8_t[enc::max_coded_bytes(kSegment) + 1]);
    }
};

// Two worker threads, each with its own coder, taking segments in turn:
// those of the member being written first, then those coded ahead.  The
// threads start with the first segment that can wait for them; where none
// can be started, segments are coded by the caller.
class Pool {
public:
    Pool(const Method &method, Compression compression) : method_(method), compression_(compression) {}
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            urgent_.clear();
            later_.clear();
        }
        work_.notify_all();
        for (auto &t : threads_) t.join();
    }

    // Queues s; `urgent` for the member being written.
    void submit(Segment *s, bool urgent) {
        if (!started_) start();
        if (threads_.empty()) {
            code_here(*workers_[0], *s);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            s->done = false;
            (urgent ? urgent_ : later_).push_back(s);
        }
        work_.notify_one();
    }

    // For a segment the caller waits for at once: while no thread runs,
    // one segment is not worth starting them.
    void submit_alone(Segment *s) {
        if (started_) return submit(s, true);
        code_here(*worker(0), *s);
    }

    void wait(Segment *s) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [s] { return s->done; });
    }

    // Drops s from the queue, or waits for it when a worker has it: its
    // buffers are the caller's again.
    void withdraw(Segment *s) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (auto *q : {&urgent_, &later_}) {
            auto it = std::find(q->begin(), q->end(), s);
            if (it != q->end()) {
                q->erase(it);
                s->done = true;
                return;
            }
        }
        done_.wait(lock, [s] { return s->done; });
    }

private:
    struct Worker {
        Worker(const Method &m, Compression c) {
            if (c == Compression::best) best = std::make_unique<OptimalCoder>(m);
            else coder = std::make_unique<SegmentCoder>(m);
        }
        std::uint64_t code(const Segment &s, std::uint8_t *out, bool whole) {
            if (best) return best->code(s.in.get(), s.dict, s.size, out);
            return coder->code(s.in.get(), s.dict, s.size, out, whole);
        }
        std::unique_ptr<SegmentCoder> coder;
        std::unique_ptr<OptimalCoder> best;
        std::unique_ptr<std::uint8_t[]> scratch;  // for segments without their own output buffer
    };
    // Codes s; returns its length in bits.
    static std::uint64_t code(Worker &w, Segment &s) {
        const bool whole = s.dict == 0 && s.size < kSegment;  // a member of one segment
        if (s.out) return w.code(s, s.out.get(), whole);
        if (!w.scratch) w.scratch.reset(new std::uint8_t[enc::max_coded_bytes(kSegment) + 1]);
        const std::uint64_t bits = w.code(s, w.scratch.get(), whole);
        const std::size_t bytes = std::size_t((bits + 7) / 8);
        s.out.reset(new std::uint8_t[bytes + 1]);
        std::memcpy(s.out.get(), w.scratch.get(), bytes);
        return bits;
    }
    static void code_here(Worker &w, Segment &s) {
        s.out_bits = code(w, s);
        s.done = true;
    }
    Worker *worker(int i) {
        while (int(workers_.size()) <= i) workers_.push_back(std::make_unique<Worker>(method_, compression_));
        return workers_[i].get();
    }
    void start() {
        started_ = true;
        for (int i = 0; i < kWorkers; ++i) worker(i);
        try {
            for (int i = 0; i < kWorkers; ++i) threads_.emplace_back([this, i] { run(*workers_[i]); });
        } catch (const std::system_error &) {
            // Stop the ones that did start; the caller codes from now on.
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quit_ = true;
            }
            work_.notify_all();
            for (auto &t : threads_) t.join();
            threads_.clear();
        }
    }
    void run(Worker &w) {
        for (;;) {
            Segment *s;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [this] { return quit_ || !urgent_.empty() || !later_.empty(); });
                if (quit_) return;
                auto &q = urgent_.empty() ? later_ : urgent_;
                s = q.front();
                q.pop_front();
            }
            const std::uint64_t bits = code(w, *s);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                s->out_bits = bits;
                s->done = true;
            }
            done_.notify_all();
        }
    }

    const Method &method_;
    const Compression compression_;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> threads_;
    bool started_ = false;
    std::mutex mutex_;
    std::condition_variable work_, done_;
    std::deque<Segment *> urgent_, later_;
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

struct MemberEncoder::Impl {
    Impl(const Method &m, Compression c) : method(m), window(std::size_t(1) << m.window_bits), pool(m, c) {}

    // The member coded ahead from the same bytes as `read`, if any.  The
    // ones announced before it were left out after all: they go.
    std::unique_ptr<Segment> claim(const Segment &read) {
        for (auto it = ahead.begin(); it != ahead.end(); ++it) {
            Segment &a = **it;
            if (a.size != read.size || std::memcmp(a.in.get(), read.in.get(), read.size) != 0) continue;
            std::unique_ptr<Segment> found = std::move(*it);
            for (auto old = ahead.begin(); old != it; ++old) {
                pool.withdraw(old->get());
                ahead_bytes -= (*old)->size;
            }
            ahead_bytes -= found->size;
            ahead.erase(ahead.begin(), it + 1);
            return found;
        }
        return nullptr;
    }

    const Method &method;
    const std::size_t window;
    std::deque<std::unique_ptr<Segment>> ahead;  // in the order announced
    std::size_t ahead_bytes = 0;                  // their sizes
    Segment slots[kSlots];                        // the member being encoded
    Pool pool;  // last: its threads stop before the segments go
};

MemberEncoder::MemberEncoder(const MethodInfo &method, Compression compression) {
    if (method.encoded) impl_ = std::make_unique<Impl>(method, compression);
}

MemberEncoder::~MemberEncoder() = default;

bool MemberEncoder::room_for(std::uint64_t size) const {
    return impl_ && size < kAheadBelow && impl_->ahead.size() < kAhead &&
           (impl_->ahead.empty() || impl_->ahead_bytes + size <= kAheadBytes);
}

bool MemberEncoder::ahead(ByteSource &in, std::uint64_t size) {
    if (size == 0 || !room_for(size)) return false;
    auto s = std::make_unique<Segment>();
    const std::size_t n = std::size_t(size);
    s->in.reset(new std::uint8_t[n + 1 + kReadPadding]);
    if (read_full(in, s->in.get(), n + 1) != std::ptrdiff_t(n)) return false;
    s->size = n;
    std::memset(s->in.get() + n, 0, kReadPadding);
    impl_->pool.submit(s.get(), false);
    impl_->ahead.push_back(std::move(s));
    impl_->ahead_bytes += n;
    return true;
}

EncodeResult MemberEncoder::encode(ByteSource &in, ByteSink &out, std::uint64_t give_up_above) {
    EncodeResult r;
    if (!impl_) {
        r.status = CodecStatus::unsupported;
        return r;
    }
    Impl &m = *impl_;
    Segment *const slots = m.slots;
    Pool &pool = m.pool;
    Output output(out, give_up_above, r);

    // The first segment tells a member coded ahead, and a member of one
    // segment, from the rest.
    if (!slots[0].in) slots[0].in.reset(new std::uint8_t[m.window + kSegment + kReadPadding]);
    std::ptrdiff_t n = read_full(in, slots[0].in.get(), kSegment);
    if (n < 0) {
        r.status = CodecStatus::read_error;
        return r;
    }
    slots[0].dict = 0;
    slots[0].size = std::size_t(n);
    std::memset(slots[0].in.get() + n, 0, kReadPadding);
    r.original = slots[0].size;
    if (slots[0].size < kSegment) {
        if (slots[0].size > 0) {
            std::unique_ptr<Segment> done = m.claim(slots[0]);
            Segment *s = done.get();
            if (!s) {
                s = &slots[0];
                s->out.reset();  // coded to the size it comes to
                pool.submit_alone(s);
            }
            pool.wait(s);
            if (!output.append(s->out.get(), s->out_bits)) return r;
        }
        output.finish();
        return r;
    }

    slots[0].out.reset();  // perhaps a small member's
    for (int i = 0; i < kSlots; ++i) slots[i].allocate(m.window);
    std::uint64_t filled = 1, written = 0;
    // However this ends, no worker may still hold a slot.  The room a long
    // member took goes back then (what every member needs, the first
    // segment's input, stays): among many small members it would only
    // add to the peak.
    struct Drain {
        Pool &pool;
        Segment *slots;
        std::uint64_t &from, &to;
        ~Drain() {
            for (std::uint64_t k = from; k < to; ++k) pool.withdraw(&slots[k % kSlots]);
            slots[0].out.reset();
            for (int i = 1; i < kSlots; ++i) slots[i] = Segment();
        }
    } drain{pool, slots, written, filled};
    pool.submit(&slots[0], true);
    bool eof = false;
    for (;;) {
        while (!eof && filled - written < kSlots) {
            Segment &s = slots[filled % kSlots];
            if (!fill(in, slots[(filled - 1) % kSlots], s, m.window, r)) return r;
            if (s.size < kSegment) eof = true;
            if (s.size == 0) break;
            pool.submit(&s, true);
            ++filled;
        }
        if (written == filled) break;
        Segment &s = slots[written % kSlots];
        pool.wait(&s);
        ++written;
        if (!output.append(s.out.get(), s.out_bits)) return r;
    }
    output.finish();
    return r;
}

EncodeResult encode(const MethodInfo &method, ByteSource &in, ByteSink &out, std::uint64_t give_up_above) {
    return MemberEncoder(method).encode(in, out, give_up_above);
}

} // namespace lzh
