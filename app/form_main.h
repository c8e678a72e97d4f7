// Tform_main: the operator's window. Clock bar on top, three monitors (playlist, camera,
// program) under coloured caption bars, a bar of controls under each monitor (transport, source,
// streaming) and the playlist grid at the bottom; 1085 x 643 client area, fixed.
//
// The window owns the runtime it builds in FormCreate (playback runtime with MediaList, the
// engine objects and the frame pump, the settings fields and ConfigFile, the remote controls)
// and takes it down in FormClose, which every way of closing reaches (title bar, "Sair",
// SIGTERM/SIGINT through TCloseSignals).
//
// It is the view of the playback logic (IPlaybackView), of the playlist file load
// (IPlaylistView) and of the playlist edits (IPlaylistEditingView); each of those calls it on
// the GUI thread only. The frame pump never touches a widget: its work for the window arrives
// as queued calls through the playback runtime.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/event_log.h"
#include "core/settings_fields.h"
#include "playlist/playlist_file.h"
#include "playout/playback_runtime.h"
#include "playout/playback_view.h"
#include "playout/playlist_editing.h"
#include "streaming/streaming_control.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace vexto {

class TPNGButton;
class TPlaylistGrid;
namespace remote {
class RemoteControl;
}

struct MainWindowOptions {
  // The executable whose folder holds <name>.ini, <name>.vxt and Log/ (tests: a temp folder).
  std::filesystem::path exe_path;
  // Ends the process with the code after FormClose (default: leave the event loop with it).
  std::function<void(int)> end_process;
  // Start the serial and HTTP remote controls (tests without them pass false).
  bool remote_control = true;
};

class Tform_main : public QMainWindow,
                   public IPlaybackView,
                   public IPlaylistView,
                   public IPlaylistEditingView,
                   public IStreamingView {
  Q_OBJECT

 public:
  explicit Tform_main(MainWindowOptions options, QWidget* parent = nullptr);
  ~Tform_main() override;  // FormDestroy when the close sequence did not run

  // Start-up, in order (runs once; errors of a step are shown and the next step runs).
  void FormCreate();
  // The close sequence (idempotent).
  void FormClose();
  // Teardown when the loop ends without FormClose: drop target off, PlaylistReader closed.
  void FormDestroy();
  bool Closed() const { return closed_; }

  // Hooks of the windows created after this one (settings dialog, About box, character
  // generator) and of the streaming control.
  std::function<void()> open_settings;              // "Gerais"
  std::function<void()> open_settings_streaming;    // "Configurar"
  std::function<void()> open_about;                 // "Sobre"
  std::function<void()> open_gc;                    // the hidden "Gc" button
  std::function<void()> show_streaming_page;        // the streaming page, not modal
  std::function<void()> show_streaming_page_modal;  // the streaming page, modal

  TPlaybackRuntime& Runtime() { return *runtime_; }
  SettingsFields& Settings() { return fields_; }
  TPlaylistEditing& Editing() { return *editing_; }
  const TEventLog& EventLog() const { return log_; }
  std::filesystem::path DefaultPlaylistFile() const;

  // ---- IPlaybackView / IPlaylistView / IPlaylistEditingView ----
  void listar() override;
  void limparGrid() override;
  void SetGridStatusCell(int row, const std::string& status) override;
  int GridSelectedRow() const override;
  void SetGridSelectedRow(int row) override;
  void SetClockText(const std::string& text) override;
  void SetClockColor(TColor color) override;
  void SetElapsedText(const std::string& text) override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  void ShowSeekBarPosition(int position) override;
  void PGMPaintPlay() override;
  void PGMPaintPause() override;
  void SetUpdateTimerEnabled(bool enabled) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNoWarning(const std::string& text) override;
  void SetMonitorMenuChecked(eMonitorAV setting, bool checked) override;
  void SetProgressivoChecked(bool checked) override;
  int SelectedRow() const override { return GridSelectedRow(); }
  void SetSelectedRow(int row) override { SetGridSelectedRow(row); }
  void ClearCell(int column, int row) override;
  void SetLoopChecked(bool checked) override;
  void SetPauseChecked(bool checked) override;
  void Inform(const std::string& text) override { ShowMessage(text); }
  bool AskWarningYesNo(const std::string& text) override { return AskYesNoWarning(text); }

  // Streaming bar (IStreamingView): the server address, the button caption, the settings
  // dialog's streaming page, and the writer's status line (refreshed twice a second).
  void SetServerText(const std::string& text);
  void SetStreamingButtonCaption(const std::string& caption) override;
  void SetServerCaption(const std::string& caption) override { SetServerText(caption); }
  void ShowStreamingPage() override;
  void ShowStreamingPageModal() override;
  bool AskYesNo(const std::string& question) override;
  void SetStreamingStatus(const std::string& text, bool failure) override;
  void SetRecordingChecked(bool checked) override;
  void RefreshStreamingStatus();
  StreamingControl* Streaming() { return streaming_.get(); }

  // ---- commands (menu items, buttons, grid) ----
  void AbrirPlaylist1Click();
  void SalvarPlaylist1Click();
  void Sair1Click() { close(); }
  void RemoverClick();
  void RemoverTodosClick();
  void LoopClick();
  void PausarClick();
  void GridContextMenuOpening();
  void GridKeyDown(int virtual_key);
  void GridKeyPress(char32_t character);
  void GridMouseDown(Qt::MouseButton button, int row);
  void GridRowDropped(int row);
  void DropFiles(const std::vector<std::string>& files);

  // ---- controls, by their names ----
  QFrame* Panel6 = nullptr;
  QLabel* durEvento = nullptr;
  QLabel* Panel2 = nullptr;
  QLabel* Panel3 = nullptr;
  QLabel* Panel5 = nullptr;
  QWidget* panel_Monitor_PGM = nullptr;
  QWidget* panel_Monitor_PVW = nullptr;
  QWidget* panel_Monitor_OUT = nullptr;
  QFrame* Panel4 = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* Panel8 = nullptr;
  QProgressBar* pb_PGM = nullptr;
  QSlider* trackBarPGM = nullptr;
  TPNGButton* botPlayPGM = nullptr;
  TPNGButton* PNGButton2 = nullptr;
  TPNGButton* PNGButton3 = nullptr;
  TPNGButton* PNGButton4 = nullptr;
  TPNGButton* PNGButton5 = nullptr;
  QFrame* GroupBox1 = nullptr;
  QLabel* lb_dur_panel_pgm = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  TPNGButton* bot_1 = nullptr;
  TPNGButton* bot_2 = nullptr;
  QProgressBar* ProgressBar2 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* lb_server = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* bot_Streaming = nullptr;
  QPushButton* bot_Config = nullptr;
  QPushButton* bot_Gravar = nullptr;  // checkable: the safety recording runs
  QLabel* lb_stream_status = nullptr;
  QPushButton* bot_Gc = nullptr;  // never visible
  TPlaylistGrid* gridPlaylist = nullptr;
  QTimer* UpdateUI_PGM = nullptr;

  QMenu* PopupMenu1 = nullptr;  // grid
  QMenu* PopupMenu2 = nullptr;  // clock
  QMenu* PopupMenu3 = nullptr;  // playlist and camera monitors
  QAction* AbrirPlaylist1 = nullptr;
  QAction* SalvarPlaylist1 = nullptr;
  QAction* Sair1 = nullptr;
  QAction* Gerais1 = nullptr;
  QAction* Audio1 = nullptr;
  QAction* Video1 = nullptr;
  QAction* Audio2 = nullptr;
  QAction* Video2 = nullptr;
  QAction* Audio3 = nullptr;
  QAction* Video3 = nullptr;
  QAction* Audio4 = nullptr;
  QAction* Video4 = nullptr;
  QAction* Ajuda1 = nullptr;
  QAction* Loop1 = nullptr;
  QAction* Pausar1 = nullptr;
  QAction* Remover1 = nullptr;
  QAction* Removertodos1 = nullptr;
  QAction* Progressivo1 = nullptr;
  QAction* Gravar1 = nullptr;           // "Streaming" menu, checkable
  QAction* ReconectarAgora1 = nullptr;  // "Streaming" menu

  // Hidden image controls: only their pictures are used.
  QImage imgPlay, imgPause, imgPlayOver, imgPauseOver, imgPauseSmall, imgLoopSmall;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildLayout();
  void BuildMenus();
  void WireControls();
  // Runs one step of FormCreate; an error is shown in a message box and start-up goes on.
  template <typename Fn>
  void Step(Fn&& fn);
  // Runs one playlist edit and then republishes the on-air snapshot for the pump.
  template <typename Fn>
  void Edit(Fn&& fn);
  // Writes a line of another thread (remote control, stream writer, monitors) to the event log;
  // a failed write is dropped.
  void LogFromWorker(const std::string& line) const;

  MainWindowOptions options_;
  TEventLog log_;
  SettingsFields fields_;
  std::unique_ptr<TPlaybackRuntime> runtime_;
  std::unique_ptr<MediaListAccess> list_access_;
  std::unique_ptr<TPlaylistEditing> editing_;
  std::unique_ptr<remote::RemoteControl> remote_;
  std::unique_ptr<StreamingControl> streaming_;
  QTimer* streaming_status_timer_ = nullptr;
  bool created_ = false;
  bool closed_ = false;
  bool destroyed_ = false;
  bool centred_ = false;
};

}  // namespace vexto
