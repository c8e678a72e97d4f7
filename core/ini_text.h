// INI text in memory: the parsing and editing rules behind TIniFile, free of any file access so
// they can be fuzzed and tested on bytes. Pure functions, safe on any thread.
//
// Syntax (UTF-8 text; a UTF-8 byte-order mark at the start is skipped and kept):
// - Lines end at CR LF, LF or a lone CR.
// - A line whose first non-blank character is '[' opens a section; its name is the text up to
//   the next ']' (or the line end), without surrounding blanks.
// - A line whose first non-blank character is ';' or '#' is a comment.
// - Any other line holding '=' is an entry: the key is the text before the first '=', the value
//   the text after it, both without surrounding blanks (spaces and tabs); a value enclosed in
//   double quotes loses that one pair of quotes. Entries before the first section belong to no
//   section and are never found. Lines of any other shape are ignored.
// - Section and key names match without regard to letter case (ASCII and the Latin-1 letters
//   À..Þ / à..þ); when a section or key appears twice, the first one wins.
// Names passed in must not hold '=', ']' or line ends (the system's names never do).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexto {

// Longest value a read returns, in characters (UTF-8 sequences; a stray byte counts as one).
inline constexpr size_t kIniMaxValueChars = 2047;

// True when the two names are equal without regard to letter case.
bool IniNamesEqual(std::string_view a, std::string_view b);

// The value of `key` in the first section named `section`, or nullopt when either is missing.
// The value is returned whole (TIniFile cuts it); a NUL byte in it ends it.
std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` in `section` set to `value`. The first entry of that key in the first section
// of that name is replaced in place, keeping its letter case; otherwise the entry is added after
// the section's last entry, or a new section is added at the end. Nothing else changes; no second
// entry is ever made. The value is cut at its first CR, LF or NUL (a line end cannot be stored in
// an INI line) and quoted when it starts or ends with a blank or is itself enclosed in quotes, so
// IniFindValue returns it unchanged. New lines use the text's first line end (LF in a new file).
std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// An integer value: decimal with an optional sign, or hexadecimal with "$", "0x" or "0X" after
// the optional sign. Hexadecimal up to FFFFFFFF wraps into the signed range (so $FF00000F is the
// system colour -16777201). Anything else, out-of-range numbers and empty text included, yields
// `default_value`.
int32_t IniParseInteger(std::string_view text, int32_t default_value);

// `value` cut to its first kIniMaxValueChars characters (never inside a UTF-8 sequence).
std::string IniCutValue(std::string_view value);

}  // namespace vexto
