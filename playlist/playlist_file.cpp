#include "playlist/playlist_file.h"

#include <sys/stat.h>

#include <system_error>

#include "core/atomic_file.h"
#include "core/paths.h"
#include "playlist/playlist_errors.h"
#include "playlist/playlist_format.h"

namespace vexto {

bool MediaFileExists(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void salvarPlaylist(const TMediaList& list, const std::filesystem::path& file_name) {
  const std::string bytes = EncodePlaylist(list);
  try {
    WriteFileAtomically(file_name, bytes);
  } catch (const std::system_error& e) {
    throw EFCreateError("Cannot create file \"" + file_name.string() + "\". " + e.code().message());
  }
}

void LoadPlaylistText(TMediaList& list, std::string_view text, IPlaylistView& view) {
  int line_number = 0;
  int added = 0;
  size_t pos = 0;
  std::string_view raw;
  while (NextPlaylistLine(text, pos, raw)) {
    ++line_number;
    std::optional<PlaylistLine> line;
    try {
      line = ParsePlaylistLine(raw, line_number);
      if (!line) continue;
      if (!MediaFileExists(line->path)) {
        view.listar();
        view.ShowMessage("Playlist corrompido: A midia abaixo não existe\r\r" + line->path);
        return;
      }
      const bool pause = PlaylistStrToBool(line->pause);
      const bool loop = PlaylistStrToBool(line->loop);
      auto item = std::make_unique<TMidia>(line->path);
      item->FNome = ExtractFileName(line->path);
      item->FDuracao = std::move(line->duration);
      item->FPause = pause;
      item->FLoop = loop;
      item->FStatus = kStatusPronto;
      list.Add(std::move(item));
      ++added;
    } catch (const EConvertError&) {
      view.listar();
      throw;
    } catch (const EPlaylistFormatError&) {
      view.listar();
      throw;
    }
  }
  if (added == 0) {
    view.listar();
    view.limparGrid();
    return;
  }
  view.listar();
}

void AbrirPlaylist(TMediaList& list, const std::filesystem::path& file_name, IPlaylistView& view) {
  list.Clear();
  std::string bytes;
  try {
    bytes = ReadWholeFile(file_name);
  } catch (const std::system_error& e) {
    view.listar();
    view.limparGrid();
    throw EFOpenError("Cannot open file \"" + file_name.string() + "\". " + e.code().message());
  }
  LoadPlaylistText(list, DecodePlaylistBytes(bytes), view);
}

}  // namespace vexto
