// The playlist file format, in memory: decoding, line splitting, fields, the Boolean text rule
// and encoding. Pure functions (no file access), safe on any thread; the fuzzer drives them.
//
// Format: one line per item, "index#duration#path#pause#loop", each line ending with CR LF; flags
// written "-1" (true) or "0" (false). Reading: a line also ends at a lone LF or CR; the index is
// ignored (line order decides).
// - Blank lines (empty, or only spaces and tabs) are skipped.
// - A line with more than five fields holds a path with '#' in it: the path is every field
//   between the duration and the last two (the flags), joined again by '#'. Lines with exactly
//   five fields read as they always did.
// - A non-blank line with fewer than five fields is refused (EPlaylistFormatError).
// Encoding: written as Windows-1252 when every character fits that code page, otherwise as UTF-8
// with a byte-order mark (so no path is ever damaged). Read: a UTF-8, UTF-16 LE or UTF-16 BE
// byte-order mark selects that encoding, otherwise Windows-1252. Text in memory is UTF-8; bytes
// after a UTF-8 mark are kept as they are, so a path that is not valid UTF-8 still names its file.
// A path holding a line break cannot be stored (its line would split).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "playlist/media_list.h"

namespace vexto {

// The file's bytes as UTF-8 text, without the byte-order mark.
std::string DecodePlaylistBytes(std::string_view bytes);

// Reads the line that starts at `pos` into `line` (without its line end) and moves `pos` to the
// next one; false when `pos` is at the end. A line end after the last line adds no empty line.
bool NextPlaylistLine(std::string_view text, size_t& pos, std::string_view& line);

// The fields of one line that the load uses.
struct PlaylistLine {
  std::string duration;
  std::string path;
  std::string pause;  // flag texts, for PlaylistStrToBool
  std::string loop;
};

// Splits one line. nullopt for a blank line; throws EPlaylistFormatError (naming `line_number`,
// counted from 1) for a line with fewer than five fields.
std::optional<PlaylistLine> ParsePlaylistLine(std::string_view line, int line_number);

// The Boolean text rule: text that reads as a decimal number (surrounding blanks allowed, the
// locale's decimal separator, an optional exponent) is true when the number is not zero; else
// "True" or "False" in any letter case; anything else throws EConvertError
// "'<text>' is not a valid boolean value".
bool PlaylistStrToBool(std::string_view text);

// One line for the item at `index`, with its CR LF (UTF-8).
std::string FormatPlaylistLine(int index, const TMidia& item);

// The whole file for `list`: Windows-1252 when it fits, else UTF-8 with a byte-order mark. An
// empty list gives an empty file.
std::string EncodePlaylist(const TMediaList& list);

}  // namespace vexto
