// The C entry points of libunlha32.
#include "unlha32.h"

#include "output.h"
#include "progress.h"
#include "run.h"

#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>

namespace {
std::atomic<int> g_cursor_mode{0};

struct Registered {
    UnlhaProgressCallback callback;
    void *data;
};
std::mutex g_callbacks_mutex;
std::map<void *, Registered> g_callbacks;

// Hands the library's progress to a caller's callback.
class CallbackWatcher : public lzh::ProgressWatcher {
public:
    CallbackWatcher(void *window, Registered r) : window_(window), r_(r) {}
    bool report(const lzh::ProgressReport &r) override {
        const char verb[2] = {r.command, '\0'};
        member_.assign(r.member);
        UnlhaProgress p{};
        p.size = sizeof p;
        p.event = r.event == lzh::ProgressEvent::begin ? UNLHA_PROGRESS_BEGIN
                  : r.event == lzh::ProgressEvent::end ? UNLHA_PROGRESS_END
                                                       : UNLHA_PROGRESS_WORK;
        p.command = verb;
        p.member = member_.c_str();
        p.bytes_done = r.bytes_done;
        p.bytes_total = r.bytes_total;
        p.members_done = r.members_done;
        p.members_total = r.members_total;
        p.work = r.work == lzh::MemberWork::replace ? UNLHA_WORK_REPLACE
                 : r.work == lzh::MemberWork::copy  ? UNLHA_WORK_COPY
                                                    : UNLHA_WORK_OWN;
        return r_.callback(window_, &p, r_.data) == 0;
    }

private:
    void *window_;
    Registered r_;
    std::string member_;
};

} // namespace

extern "C" UNLHA_API int Unlha(void *window, const char *command, char *output, uint32_t size) {
    lzh::BufferOutput out(output, size);
    std::optional<CallbackWatcher> watcher;
    {
        std::lock_guard<std::mutex> lock(g_callbacks_mutex);
        auto it = g_callbacks.find(window);
        if (it != g_callbacks.end()) watcher.emplace(window, it->second);
    }
    int rc;
    try {
        rc = command ? lzh::run_command(command, out, watcher ? &*watcher : nullptr) : UNLHA_ERR_COMMAND;
    } catch (const std::bad_alloc &) {
        out.error("out of memory");
        rc = UNLHA_ERR_WRITE;
    } catch (const std::exception &e) {
        out.error(e.what());
        rc = UNLHA_ERR_COMMAND;
    }
    // A failure says more than text cut off: it is returned, the text still
    // cut after its last whole line.  Only a command that went well says
    // that its text did not fit.
    if (out.overflowed() && rc == UNLHA_OK) rc = UNLHA_ERR_OUTPUT;
    return rc;
}

extern "C" UNLHA_API int UnlhaSetCursorMode(int mode) { return g_cursor_mode.exchange(mode); }

extern "C" UNLHA_API int UnlhaSetProgressCallback(void *window, UnlhaProgressCallback callback, void *data) {
    std::lock_guard<std::mutex> lock(g_callbacks_mutex);
    if (callback) g_callbacks[window] = {callback, data};
    else g_callbacks.erase(window);
    return UNLHA_OK;
}
