// Saving and loading the playlist file (format in playlist_format.h).
//
// Threads: GUI thread only. Loads happen with nothing playing (start-up before the frame pump
// exists, or the menu command after stopping playback); the close saves after the pump stopped.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "playlist/media_list.h"

namespace vexto {

// What the load needs from the window that shows the playlist; the main window implements it
// over its grid and message boxes, tests script it. Called on the GUI thread.
class IPlaylistView {
 public:
  virtual ~IPlaylistView() = default;
  virtual void listar() = 0;                              // refresh the grid from the list
  virtual void limparGrid() = 0;                          // blank the grid to one row
  virtual void ShowMessage(const std::string& text) = 0;  // plain box with one OK button
};

// Writes every item of `list` to `file_name`, replacing any existing file atomically: a failed or
// interrupted save leaves the previous file whole. Throws EFCreateError
// "Cannot create file "<path>". <reason>" when the file cannot be written; the list is unchanged.
void salvarPlaylist(const TMediaList& list, const std::filesystem::path& file_name);

// Replaces the items of `list` with the file's items, each "Pronto" with FNome from its path:
// 1. the list is emptied;
// 2. a file that cannot be read: view.listar(), view.limparGrid(), then EFOpenError
//    "Cannot open file "<path>". <reason>" (the list stays empty);
// 3. no item lines: listar(), limparGrid();
// 4. each line in order: a path naming no existing file (a folder is not a file): listar(), then
//    ShowMessage("Playlist corrompido: A midia abaixo não existe\r\r" + path) and stop; a bad
//    flag (EConvertError) or a short line (EPlaylistFormatError): listar(), then the error is
//    thrown. Items of earlier lines stay in both cases;
// 5. listar().
// The load leaves the on-air index and the playing flag alone (the caller's concern).
void AbrirPlaylist(TMediaList& list, const std::filesystem::path& file_name, IPlaylistView& view);

// The line-by-line load on already decoded text, for callers that hold the bytes (and the fuzzer):
// `text` is the DecodePlaylistBytes result.
void LoadPlaylistText(TMediaList& list, std::string_view text, IPlaylistView& view);

// True when `path` (UTF-8) names an existing file that is not a folder.
bool MediaFileExists(std::string_view path);

}  // namespace vexto
