// IPlaybackView: everything the playback logic shows on the main window, as one seam. The main
// window implements it with its widgets; tests implement it with a recorder.
//
// Thread contract: every method is called on the GUI thread only (the thread that owns the
// TPlaybackRuntime QObject). The frame pump never calls the view: it posts queued calls to the
// GUI thread, which then call the view.
#pragma once

#include <cstdint>
#include <string>

#include "core/colour.h"

namespace vexto {

// One monitor setting = one pair of twin check items (context menu + main menu).
enum class eMonitorAV : uint8_t {
  PlaylistAudio = 0,  // Audio1 / Audio3, "Preview" "Playlist-Audio"
  PlaylistVideo = 1,  // Video1 / Video3, "Preview" "Playlist-Video"
  LiveAudio = 2,      // Audio2 / Audio4, "Preview" "Live-Audio"
  LiveVideo = 3,      // Video2 / Video4, "Preview" "Live-Video"
};

class IPlaybackView {
 public:
  virtual ~IPlaybackView() = default;

  // Playlist grid (gridPlaylist).
  virtual void listar() = 0;      // refresh every row from MediaList
  virtual void limparGrid() = 0;  // blank the grid to one row
  // Grid cell (column 0, row): the status word of one row.
  virtual void SetGridStatusCell(int row, const std::string& status) = 0;
  virtual int GridSelectedRow() const = 0;
  virtual void SetGridSelectedRow(int row) = 0;

  // Big clock durEvento: text HH:MM:SS:FF and font colour.
  virtual void SetClockText(const std::string& text) = 0;
  virtual void SetClockColor(TColor color) = 0;
  // Small elapsed label lb_dur_panel_pgm (HH:MM:SS).
  virtual void SetElapsedText(const std::string& text) = 0;
  // Progress bar pb_PGM, tenths of a second.
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Seek bar trackBarPGM (range 0..100): show this position. The runtime decides whether the
  // change handler runs (it emulates a track bar whose handler runs when code moves it); the
  // view must not call back for a position the runtime set (block the slider's signals, or let
  // TPlaybackRuntime::SeekBarMoved see the same value, which it ignores).
  virtual void ShowSeekBarPosition(int position) = 0;

  // Play/pause button images.
  virtual void PGMPaintPlay() = 0;
  virtual void PGMPaintPause() = 0;

  // Clock timer UpdateUI_PGM (30 ms): the view owns the QTimer and calls
  // TPlaybackRuntime::UpdateUI_PGMTimer on each tick.
  virtual void SetUpdateTimerEnabled(bool enabled) = 0;

  // Message boxes. ShowMessage: plain box, one OK button. AskYesNoWarning: warning box with Yes
  // and No; true only for Yes.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual bool AskYesNoWarning(const std::string& text) = 0;

  // Monitor menus: tick both twin items of one setting.
  virtual void SetMonitorMenuChecked(eMonitorAV setting, bool checked) = 0;
  // "Progressivo" (Progressivo1) check mark.
  virtual void SetProgressivoChecked(bool checked) = 0;
};

}  // namespace vexto
