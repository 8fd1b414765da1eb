// The archiver library, loaded at run time so that the window starts (and
// says what is wrong) even when the library is missing.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QLibrary;

namespace morvane {

// Returned by Form1::Unlha when no library is loaded or the command text
// cannot be built; the archiver itself never returns a negative result.
inline constexpr int Unlha_Unavailable = -1;
// The archiver's result for output that did not fit.
inline constexpr int Unlha_Output_Cut = 6;

class UnlhaLibrary {
public:
    using UnlhaFn = int (*)(void* window, const char* command, char* output, std::uint32_t size);
    using CursorModeFn = int (*)(int mode);

    UnlhaLibrary();                                    // nothing loaded
    UnlhaLibrary(UnlhaFn unlha, CursorModeFn cursor);  // entry points handed in
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

    // Where the program looks for the library: its own folder first, then the
    // library folder of the installed tree (lib/morvane/).
    static QString Find(const QString& programFolder);

private:
    std::unique_ptr<QLibrary> library_;
    UnlhaFn unlha_ = nullptr;
    CursorModeFn cursor_ = nullptr;
    QString error_;
};

}  // namespace morvane
