// A program with one fault of the kind named by its argument, built like
// the rest of a sanitizer build: the check beside it proves that each kind
// is reported to the log and ends the program, so a build whose sanitizers
// go on after a report, or report nowhere, fails rather than passing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Out of main's frame, so that no copy of the pointer is left where the leak
// check looks for references.
[[gnu::noinline]] void leak(std::size_t n) {
    void *volatile p = std::malloc(n);
    p = nullptr;
    (void)p;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    const std::string_view kind = argv[1];
    // Sizes and pointers come through volatile so the faults are not folded away.
    volatile std::size_t n = std::strlen(argv[1]);
    if (kind == "null-memcpy") {
        char out[1];
        const char *volatile from = nullptr;
        std::memcpy(out, from, n - kind.size()); // copies nothing, from no buffer
    } else if (kind == "overflow") {
        char *volatile p = static_cast<char *>(std::malloc(n));
        volatile char c = p[n]; // one past the end
        (void)c;
        std::free(p);
    } else if (kind == "use-after-free") {
        char *volatile p = static_cast<char *>(std::malloc(n));
        std::free(p);
        p[0] = 'x';
    } else if (kind == "leak") {
        leak(n);
        return 0; // found at exit
    } else {
        return 2;
    }
    std::puts("went on");
    return 0;
}
