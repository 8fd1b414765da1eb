// The archiver library, loaded at run time so that the window starts (and
// says what is wrong) even when the library is missing.
#pragma once

#include "unlha32.h"

#include <QString>
#include <cstdint>
#include <memory>

class QLibrary;

namespace morvane {

// Returned when no library is loaded; the archiver itself never returns a
// negative result (its results are UnlhaResult's, from unlha32.h).
inline constexpr int Unlha_Unavailable = -1;

class UnlhaLibrary {
public:
    // The entry points' types come from the library's own header.
    using UnlhaFn = decltype(&::Unlha);
    using CursorModeFn = decltype(&::UnlhaSetCursorMode);
    using ProgressFn = decltype(&::UnlhaSetProgressCallback);

    UnlhaLibrary();                                    // nothing loaded
    // Entry points handed in; without a progress entry point, no progress.
    UnlhaLibrary(UnlhaFn unlha, CursorModeFn cursor, ProgressFn progress = nullptr);
    ~UnlhaLibrary();
    UnlhaLibrary(const UnlhaLibrary&) = delete;
    UnlhaLibrary& operator=(const UnlhaLibrary&) = delete;

    // Load the library file at `path`; false (and Error()) if it cannot be
    // loaded or lacks an entry point.
    bool Load(const QString& path);
    bool Loaded() const { return unlha_ != nullptr; }
    QString Error() const { return error_; }

    int Unlha(void* window, const char* command, char* output, std::uint32_t size) const;
    int SetCursorMode(int mode) const;
    // Who hears of the progress of calls made with `window` (nullptr: nobody).
    void SetProgressCallback(void* window, UnlhaProgressCallback callback, void* data) const;

    // Where the program looks for the library: its own folder first, then the
    // library folder of the installed tree (lib/morvane/).
    static QString Find(const QString& programFolder);

private:
    std::unique_ptr<QLibrary> library_;
    UnlhaFn unlha_ = nullptr;
    CursorModeFn cursor_ = nullptr;
    ProgressFn progress_ = nullptr;
    QString error_;
};

}  // namespace morvane
