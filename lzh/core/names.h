// Member names between the archive's bytes and UTF-8.
//
// Names are stored in Shift_JIS (code page 932) when every character of the
// member's path has a form there, else in UTF-8, and the code-page
// extension header says which.  Reading honours that header, and the
// UTF-16 name headers, where present; otherwise it takes valid non-ASCII
// UTF-8 as UTF-8 and anything else as code page 932.  Where a person names
// the form (NameCode), every name is written and read in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lzh {

inline constexpr std::uint32_t kCodePageShiftJis = 932;
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// The form of an archive's names where a person says it (lha's
// --archive-kanji-code, unlha's -names=); `automatic` is the rules above.
// EUC-JP and CAP (Samba's: each byte of a Shift_JIS name from 0x80 on
// written as ":xx") have no code-page header: their readers are told, as
// other tools' are.
enum class NameCode { automatic, sjis, euc, utf8, cap };
// "sjis", "euc", "utf8" or "cap"; nullopt for any other word.
std::optional<NameCode> name_code(std::string_view word);
// The word for `code` ("auto" for automatic).
std::string_view name_code_word(NameCode code);
// The code page its header gives for names in `code`; 0 where none says it.
std::uint32_t code_page_of(NameCode code);

bool is_valid_utf8(std::string_view s);
// The length of the UTF-8 character that starts at s[i], or 0 when the
// bytes there are not one.
std::size_t utf8_char_length(std::string_view s, std::size_t i);

// Stored bytes to UTF-8: in `code` when a person names it, else in
// `code_page` when an archive names one (and this system can convert it),
// else by the guess above.  A byte that cannot be decoded is kept as it is:
// two different stored names never read the same (the file system takes any
// byte, and the exact form below writes it as %XX), so no member is taken
// for another.
std::string name_to_utf8(std::string_view raw, std::optional<std::uint32_t> code_page = std::nullopt,
                         NameCode code = NameCode::automatic);

// The exact form in which the listing names a member and the commands read
// names: "%" and two hexadecimal digits stand for that byte.  exact_name()
// so writes every control character, '"', "%", "*", "?" and every byte that
// is not part of a UTF-8 character; from_exact_name() reads any %XX back (a
// "%" not followed by two hexadecimal digits stands for itself).
std::string exact_name(std::string_view path);
std::string from_exact_name(std::string_view name);
// A name as a person types it (wildcards meant as wildcards), in the form
// the commands read: only "%" and control characters written as %XX.
std::string typed_name(std::string_view name);

// UTF-16LE bytes (the Unicode name headers) to UTF-8; an unpaired surrogate
// gives U+FFFD.
std::string utf16le_to_utf8(std::string_view raw);

// The form a member's name is stored in when nobody names one: Shift_JIS
// when every one of `texts` (its path's parts, a link's target) has a form
// there that cannot be mistaken for UTF-8, else UTF-8.
NameCode code_for(const std::vector<std::string_view> &texts);

// UTF-8 to the bytes stored in `code` (not automatic); false when the text
// has no form there.
bool name_from_utf8(std::string_view utf8, NameCode code, std::string &stored);

// Splits a decoded path at "/" and "\" (both are separators in LZH names),
// dropping empty parts.  Decode before splitting: a code page 932 character
// may have 0x5C as its second byte.
std::vector<std::string> split_path(std::string_view utf8_path);

} // namespace lzh
