#include "playlist/playlist_format.h"

#include <langinfo.h>

#include "core/ini_text.h"
#include "core/line_scan.h"
#include "core/text_encoding.h"
#include "playlist/playlist_errors.h"

namespace vexto {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr size_t kMaxLineShown = 200;  // characters of a bad line quoted in its error

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether `s` is a decimal number written with `separator`; `nonzero` tells its value is not 0.
bool ReadDecimal(std::string_view s, std::string_view separator, bool& nonzero) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  nonzero = false;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) nonzero = nonzero || s[i] != '0';
  if (!separator.empty() && s.substr(i).starts_with(separator)) {
    i += separator.size();
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) nonzero = nonzero || s[i] != '0';
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp_digits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == s.size();
}

std::string Flag(bool value) {
  return value ? "-1" : "0";
}

}  // namespace

std::string DecodePlaylistBytes(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) return std::string(bytes.substr(kUtf8Bom.size()));
  if (bytes.starts_with(kUtf16LeBom)) return Utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with(kUtf16BeBom)) return Utf16ToUtf8(bytes.substr(2), true);
  return Cp1252ToUtf8(bytes);
}

bool NextPlaylistLine(std::string_view text, size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  const size_t eol = FindLineEnd(text, pos);
  if (eol == std::string_view::npos) {
    line = text.substr(pos);
    pos = text.size();
    return true;
  }
  line = text.substr(pos, eol - pos);
  pos = eol + 1;
  if (text[eol] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  return true;
}

std::optional<PlaylistLine> ParsePlaylistLine(std::string_view line, int line_number) {
  if (Trim(line).empty()) return std::nullopt;
  // Only the first two and the last two separators matter: fields 0 and 1 before them, the two
  // flags after them, the path (which may hold '#') in between.
  constexpr size_t npos = std::string_view::npos;
  const size_t h1 = line.find('#');
  const size_t h2 = h1 == npos ? npos : line.find('#', h1 + 1);
  const size_t l2 = line.rfind('#');
  const size_t l1 = (l2 == npos || l2 == 0) ? npos : line.rfind('#', l2 - 1);
  if (h2 == npos || l1 == npos || h2 >= l1) {
    size_t shown = 0;  // bytes of the first kMaxLineShown characters
    for (size_t chars = 0; shown < line.size() && chars < kMaxLineShown; ++chars) {
      char32_t cp = 0;
      NextUtf8(line, shown, cp);
    }
    throw EPlaylistFormatError("Playlist corrompido: a linha " + std::to_string(line_number) +
                               " não tem os cinco campos\r\r" + std::string(line.substr(0, shown)));
  }
  PlaylistLine out;
  out.duration = line.substr(h1 + 1, h2 - h1 - 1);
  out.path = line.substr(h2 + 1, l1 - h2 - 1);
  out.pause = line.substr(l1 + 1, l2 - l1 - 1);
  out.loop = line.substr(l2 + 1);
  return out;
}

bool PlaylistStrToBool(std::string_view text) {
  const char* radix = nl_langinfo(RADIXCHAR);
  bool nonzero = false;
  if (ReadDecimal(Trim(text), radix != nullptr ? radix : ".", nonzero)) return nonzero;
  if (IniNamesEqual(text, "True")) return true;
  if (IniNamesEqual(text, "False")) return false;
  throw EConvertError("'" + std::string(text) + "' is not a valid boolean value");
}

std::string FormatPlaylistLine(int index, const TMidia& item) {
  return std::to_string(index) + "#" + item.FDuracao + "#" + item.FArquivo + "#" +
         Flag(item.FPause) + "#" + Flag(item.FLoop) + "\r\n";
}

std::string EncodePlaylist(const TMediaList& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) text += FormatPlaylistLine(i, list.Items(i));
  bool fits = true;
  std::string cp1252 = Utf8ToCp1252(text, &fits);
  if (fits) return cp1252;
  return std::string(kUtf8Bom) + text;
}

}  // namespace vexto
