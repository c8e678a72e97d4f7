// The operator's playlist edits, free of widgets: adding dropped files, dragging rows to a new
// order, removing one or all items, the pause and loop flags and the grid's keys. It works on the
// playlist through PlaylistAccess (the list of items) and on the window through
// IPlaylistEditingView (selection, refresh, questions), so it is testable without a window.
//
// Contract: GUI thread only. The shared OnAirIndex and IsPlaying are read and written through
// the accessors of PlaylistEditingContext (atomics owned by the playback runtime).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playlist/media_list.h"

namespace vexto {

// The supported-type mask.
inline constexpr const char* kSupportedFileMask = "*.avi;*.mov;*.mpg;*.wmv;*.mp4;";
inline constexpr const char* kRemoveAllQuestion =
    "A reprodução atual será interrompida\r\rDeseja prosseguir ?";

// "*" + extension + ";" must occur in the mask, case-sensitively (the extension search stops at
// "/", "\" or ":", so a "." in a folder name does not count).
bool IsSupportedFileType(const std::string& file_name);

// One new item as AddFile builds it.
struct NewPlaylistItem {
  std::string arquivo;
  std::string nome;
  std::string duracao;
  bool pause = false;
};

// The playlist as the edits see it. Index errors raise the list's "Argument out of range".
class PlaylistAccess {
 public:
  virtual ~PlaylistAccess() = default;
  virtual int Count() const = 0;
  virtual std::string Status(int index) const = 0;
  virtual std::string Path(int index) const = 0;
  virtual bool Pause(int index) const = 0;
  virtual bool Loop(int index) const = 0;
  virtual void SetPause(int index, bool value) = 0;
  virtual void SetLoop(int index, bool value) = 0;
  // Status "Pronto", loop off.
  virtual void Insert(int index, const NewPlaylistItem& item) = 0;
  virtual void Move(int from, int to) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
};

// PlaylistAccess over the system's MediaList. Items get FNome, FDuracao, FPause, FLoop false and
// status "Pronto".
class MediaListAccess : public PlaylistAccess {
 public:
  explicit MediaListAccess(TMediaList& list) : list_(list) {}
  int Count() const override { return list_.Count(); }
  std::string Status(int index) const override { return list_.Items(index).FStatus; }
  std::string Path(int index) const override { return list_.Items(index).FArquivo; }
  bool Pause(int index) const override { return list_.Items(index).FPause; }
  bool Loop(int index) const override { return list_.Items(index).FLoop; }
  void SetPause(int index, bool value) override { list_.Items(index).FPause = value; }
  void SetLoop(int index, bool value) override { list_.Items(index).FLoop = value; }
  void Insert(int index, const NewPlaylistItem& item) override;
  void Move(int from, int to) override { list_.Move(from, to); }
  void Delete(int index) override { list_.Delete(index); }
  void Clear() override { list_.Clear(); }

 private:
  TMediaList& list_;
};

// What the edits need from the window.
class IPlaylistEditingView {
 public:
  virtual ~IPlaylistEditingView() = default;
  virtual int SelectedRow() const = 0;
  virtual void SetSelectedRow(int row) = 0;
  virtual void listar() = 0;
  virtual void limparGrid() = 0;
  // Writes an empty text into one cell, so that cell is repainted (flag columns 3 and 4).
  virtual void ClearCell(int column, int row) = 0;
  virtual void SetLoopChecked(bool checked) = 0;
  virtual void SetPauseChecked(bool checked) = 0;
  virtual void Inform(const std::string& text) = 0;
  // A warning box with Yes and No; true only for Yes.
  virtual bool AskWarningYesNo(const std::string& text) = 0;
};

// The runtime pieces the edits touch, owned elsewhere (the playback runtime).
struct PlaylistEditingContext {
  std::function<int()> get_on_air_index;
  std::function<void(int)> set_on_air_index;
  std::function<bool()> get_is_playing;
  std::function<void(bool)> set_is_playing;
  std::function<bool()> inserir_pausa;  // bl_inserir_pausa
  // Measures a file on the ProbeReader: OpenMediaFile(path, 0) then QueryMediaDuration.
  std::function<double(const std::string&)> probe_duration;
  std::function<void()> close_playlist_reader;
  // Enter: the cue of the selected item (Auto = false).
  std::function<void(const std::string& path)> cue;
  // Space: the play/pause toggle given the on-air item's status.
  std::function<void(const std::string& status)> play;
};

// Virtual key codes of the grid keys.
inline constexpr int kVkReturn = 13;
inline constexpr int kVkSpace = 32;
inline constexpr int kVkDelete = 46;

class TPlaylistEditing {
 public:
  TPlaylistEditing(PlaylistAccess& list, IPlaylistEditingView& view,
                   PlaylistEditingContext context);

  void AddFile(const std::string& file_name);
  // A drop of several files, in the order the desktop gave them.
  void DropFiles(const std::vector<std::string>& files);

  // Left press on the grid at a row (-1 below the last row). Returns whether a drag is armed.
  bool GridMouseDown(bool left_button, int row);
  int DragSourceRow() const { return drag_source_row_; }
  bool AcceptsDragFromGrid() const { return drag_source_row_ >= 0; }
  // Drop at row t (-1 below the last row). Raises "Argument out of range" for t = -1.
  void GridDrop(int target_row);
  // The new OnAirIndex for a move s -> t with on-air index a.
  static int CarryOnAirIndex(int a, int s, int t);

  void Remover();
  void RemoverTodos();
  void setLoop(bool loop);
  void setPausa(bool pause);
  void LoopClick();
  void PausarClick();
  void ContextMenuOpening();
  void GridKeyDown(int virtual_key);
  void GridKeyPress(char32_t character);

 private:
  PlaylistAccess& list_;
  IPlaylistEditingView& view_;
  PlaylistEditingContext context_;
  int32_t drag_source_row_ = -1;
};

}  // namespace vexto
