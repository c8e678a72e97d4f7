// Text encodings of the files the console shares with other systems: Windows-1252 (the 8-bit
// code page of playlists and of the event log) and UTF-16 (playlists with a byte-order mark).
// Text inside the program is UTF-8 in std::string. Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace vexto {

// Decodes Windows-1252 bytes to UTF-8. Every byte maps to one character; the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081... so nothing is lost.
std::string Cp1252ToUtf8(std::string_view bytes);

// Encodes UTF-8 text as Windows-1252. A character the code page lacks, and every byte of an
// invalid UTF-8 sequence, becomes '?'. When `all_mapped` is given it is set to whether every
// character was encoded exactly.
std::string Utf8ToCp1252(std::string_view utf8, bool* all_mapped = nullptr);

// True when Utf8ToCp1252 encodes `utf8` without any loss.
bool FitsCp1252(std::string_view utf8);

// Decodes UTF-16 code units (without a byte-order mark) to UTF-8. An unpaired surrogate becomes
// U+FFFD; a trailing odd byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian);

// Appends the UTF-8 form of code point `cp` (U+FFFD when it is not a scalar value).
void AppendUtf8(std::string& out, char32_t cp);

// Reads one UTF-8 character at `pos` and moves `pos` past it. Returns false (and moves one byte)
// for a byte that starts no valid sequence: overlong forms, surrogates and values above U+10FFFF
// are invalid.
bool NextUtf8(std::string_view text, size_t& pos, char32_t& cp);

}  // namespace vexto
