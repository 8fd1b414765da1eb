#include "program_part.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lzh {
namespace {

// Little- or big-endian fields of a program's headers.
std::uint64_t field(const std::uint8_t *p, int n, bool big = false) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[big ? i : n - 1 - i];
    return v;
}

// Everything an ELF file holds lies below the end of its section header
// table or of its last segment, whichever is later.
bool elf_end(HeaderInput &in, std::uint64_t size, std::uint64_t &end) {
    std::uint8_t e[64];
    if (size < sizeof e || !in.read_at(0, e, sizeof e)) return false;
    const bool is64 = e[4] == 2, big = e[5] == 2;
    if ((e[4] != 1 && !is64) || (e[5] != 1 && !big)) return false;
    auto f = [&](std::size_t at32, std::size_t at64, int n32, int n64) {
        return is64 ? field(e + at64, n64, big) : field(e + at32, n32, big);
    };
    const std::uint64_t phoff = f(0x1C, 0x20, 4, 8), shoff = f(0x20, 0x28, 4, 8);
    const std::uint64_t phentsize = f(0x2A, 0x36, 2, 2), phnum = f(0x2C, 0x38, 2, 2);
    const std::uint64_t shentsize = f(0x2E, 0x3A, 2, 2), shnum = f(0x30, 0x3C, 2, 2);
    end = is64 ? 64 : 52;
    if (shoff > size || phoff > size) return false;
    if (shnum != 0) end = std::max(end, shoff + shentsize * shnum);
    if (phnum != 0) {
        const std::size_t entry = is64 ? 56 : 32;
        const std::uint64_t table = phentsize * phnum;
        if (phentsize < entry || table > kProgramSearchBytes || phoff + table > size) return false;
        std::vector<std::uint8_t> ph(static_cast<std::size_t>(table));
        if (!in.read_at(phoff, ph.data(), ph.size())) return false;
        end = std::max(end, phoff + table);
        for (std::uint64_t i = 0; i < phnum; ++i) {
            const std::uint8_t *p = ph.data() + i * phentsize;
            const std::uint64_t offset = is64 ? field(p + 8, 8, big) : field(p + 4, 4, big);
            const std::uint64_t filesz = is64 ? field(p + 0x20, 8, big) : field(p + 0x10, 4, big);
            if (offset > size || filesz > size) return false;
            end = std::max(end, offset + filesz);
        }
    }
    return end <= size;
}

// A Windows program's sections hold everything after its headers.
bool pe_end(HeaderInput &in, std::uint64_t size, std::uint64_t pe, std::uint64_t &end) {
    std::uint8_t coff[20];
    if (pe + 4 + sizeof coff > size || !in.read_at(pe + 4, coff, sizeof coff)) return false;
    const std::uint64_t sections = field(coff + 2, 2), optional_size = field(coff + 16, 2);
    constexpr std::uint64_t kSectionBytes = 40, kMaxSections = 96;
    const std::uint64_t table = pe + 4 + sizeof coff + optional_size;
    if (sections == 0 || sections > kMaxSections || table + sections * kSectionBytes > size) return false;
    std::vector<std::uint8_t> s(static_cast<std::size_t>(sections * kSectionBytes));
    if (!in.read_at(table, s.data(), s.size())) return false;
    end = table + s.size();
    for (std::uint64_t i = 0; i < sections; ++i) {
        const std::uint8_t *p = s.data() + i * kSectionBytes;
        const std::uint64_t raw_size = field(p + 16, 4), raw_at = field(p + 20, 4);
        if (raw_size != 0) end = std::max(end, raw_at + raw_size);
    }
    return end <= size;
}

// MS-DOS programs: the image size of the .EXE header, or a newer program
// whose header the .EXE header points to.
ProgramPart mz_program(HeaderInput &in, std::uint64_t size) {
    std::uint8_t h[64];
    if (size < sizeof h || !in.read_at(0, h, sizeof h)) return {};
    const std::uint64_t last_page = field(h + 2, 2), pages = field(h + 4, 2);
    if (pages == 0 || last_page >= 512) return {};
    const std::uint64_t dos_end = pages * 512 - (last_page ? 512 - last_page : 0);
    // A relocation table at 0x40 or later marks a newer program's header.
    const std::uint64_t next = field(h + 0x3C, 4);
    if (field(h + 0x18, 2) >= 0x40 && next >= sizeof h && next + 4 <= size) {
        std::uint8_t sig[4];
        if (!in.read_at(next, sig, sizeof sig)) return {};
        std::uint64_t end = 0;
        if (std::memcmp(sig, "PE\0\0", 4) == 0) return pe_end(in, size, next, end) ? ProgramPart{ProgramKind::pe, end, true} : ProgramPart{};
        if (std::memcmp(sig, "NE", 2) == 0) return {ProgramKind::ne, next, false};
    }
    if (dos_end > size) return {};
    return {ProgramKind::dos_exe, dos_end, true};
}

} // namespace

ProgramPart find_program_part(HeaderInput &in, std::uint64_t file_size) {
    std::uint8_t b[4];
    if (file_size < sizeof b || !in.read_at(0, b, sizeof b)) return {};
    if (std::memcmp(b, "\x7f" "ELF", 4) == 0) {
        std::uint64_t end = 0;
        return elf_end(in, file_size, end) ? ProgramPart{ProgramKind::elf, end, true} : ProgramPart{};
    }
    if (b[0] == 'M' && b[1] == 'Z') return mz_program(in, file_size);
    if (std::memcmp(b, "\0\0\x03\xF3", 4) == 0) return {ProgramKind::amiga_hunk, 0, false};
    // A .COM program starts with a jump over its data.
    if (b[0] == 0xE9 || b[0] == 0xEB) return {ProgramKind::dos_com, 0, false};
    return {};
}

} // namespace lzh
