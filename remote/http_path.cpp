#include "remote/http_path.h"

namespace vexto::remote {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view TargetPath(std::string_view target) {
  std::string_view path = target;
  const auto scheme_end = target.find("://");
  if (!target.starts_with('/') && scheme_end != std::string_view::npos) {
    const auto path_start = target.find('/', scheme_end + 3);
    path = path_start == std::string_view::npos ? std::string_view("/") : target.substr(path_start);
    // A query right after the authority ("http://h?x") also leaves the root path.
    const auto authority_query = target.find_first_of("?#", scheme_end + 3);
    if (authority_query != std::string_view::npos &&
        (path_start == std::string_view::npos || authority_query < path_start)) {
      return "/";
    }
  }
  const auto cut = path.find_first_of("?#");
  return cut == std::string_view::npos ? path : path.substr(0, cut);
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

RemoteAction ActionForTarget(std::string_view target) {
  const std::string path = PercentDecode(TargetPath(target));
  if (EqualsIgnoringCase(path, kSwPlaylistPath)) return RemoteAction::Playlist;
  if (EqualsIgnoringCase(path, kSwLivePath)) return RemoteAction::Live;
  return RemoteAction::None;
}

}  // namespace vexto::remote
