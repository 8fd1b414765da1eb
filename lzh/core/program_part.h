// The program part of a self-extracting file: which kind of program a file
// starts with, and where its archive is to be looked for.  Only programs of
// the kinds LZH self-extractors were built as count; any other file holds
// an archive at offset 0 or none at all.
#pragma once

#include "header.h"

#include <cstdint>

namespace lzh {

enum class ProgramKind {
    none,        // no program: the archive starts at offset 0 or nowhere
    elf,         // Unix (our own self-extractor)
    pe,          // Windows, 32 and 64 bits
    ne,          // Windows 3.x
    dos_exe,     // MS-DOS .EXE
    dos_com,     // MS-DOS .COM: no header, code from the first byte
    amiga_hunk,  // AmigaOS
};

// The archive is looked for in [search_from, search_from + kProgramSearchBytes).
// Where the program's format gives its end (ELF, PE, MS-DOS .EXE) the archive
// starts there, after zero bytes at most, and a header that does not parse
// there is damage.  Where it does not (a .COM file, a Windows 3.x or Amiga
// program, whose code holds strings like method ids), the first header in
// the window that parses and runs on to another header or the end is taken.
struct ProgramPart {
    ProgramKind kind = ProgramKind::none;
    std::uint64_t search_from = 0;
    bool end_known = false;
};

// The longest stretch looked at for an archive: a self-extractor's program
// part is far smaller.  Nothing outside it is read.
constexpr std::uint64_t kProgramSearchBytes = 64 * 1024;

// Reads the program's own headers (a few hundred bytes) through `in`.  A
// program whose headers point past the file's end is no program here.
ProgramPart find_program_part(HeaderInput &in, std::uint64_t file_size);

} // namespace lzh
