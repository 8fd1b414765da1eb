// The library as a program loads it: libunlha32.so opened at run time and
// its entry points looked up by name, as the window does.
#pragma once

#include "unlha32.h"

#include <dlfcn.h>

#include <string>

namespace lzh::test {

class SharedLibrary {
public:
    SharedLibrary() : handle_(dlopen(UNLHA_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) {
            error_ = dlerror();
            return;
        }
        unlha = reinterpret_cast<decltype(unlha)>(dlsym(handle_, "Unlha"));
        cursor = reinterpret_cast<decltype(cursor)>(dlsym(handle_, "UnlhaSetCursorMode"));
        progress = reinterpret_cast<decltype(progress)>(dlsym(handle_, "UnlhaSetProgressCallback"));
        if (!unlha || !cursor || !progress) error_ = "an entry point is missing";
    }
    ~SharedLibrary() {
        if (handle_) dlclose(handle_);
    }
    SharedLibrary(const SharedLibrary &) = delete;
    SharedLibrary &operator=(const SharedLibrary &) = delete;

    // Empty when the library and all its entry points were found.
    const std::string &error() const { return error_; }

    decltype(&::Unlha) unlha = nullptr;
    decltype(&::UnlhaSetCursorMode) cursor = nullptr;
    decltype(&::UnlhaSetProgressCallback) progress = nullptr;

private:
    void *handle_;
    std::string error_;
};

} // namespace lzh::test
