// The C entry points of libunlha32.
#include "unlha32.h"

#include "output.h"
#include "run.h"

#include <atomic>
#include <exception>
#include <new>

namespace {
std::atomic<int> g_cursor_mode{0};
}

extern "C" UNLHA_API int Unlha(void * /*window*/, const char *command, char *output, uint32_t size) {
    lzh::BufferOutput out(output, size);
    int rc;
    try {
        rc = command ? lzh::run_command(command, out) : UNLHA_ERR_COMMAND;
    } catch (const std::bad_alloc &) {
        out.line("out of memory");
        rc = UNLHA_ERR_WRITE;
    } catch (const std::exception &e) {
        out.line(e.what());
        rc = UNLHA_ERR_COMMAND;
    }
    // Text cut off wins: the caller asks again with more room and then
    // sees the command's own result.
    if (out.overflowed()) rc = UNLHA_ERR_OUTPUT;
    return rc;
}

extern "C" UNLHA_API int UnlhaSetCursorMode(int mode) { return g_cursor_mode.exchange(mode); }
