// The main window's streaming logic: the streaming button, the restart offered after a change
// on the streaming page, the settings button, the safety recording ("Gravar"), reconnecting at
// once ("Reconectar agora") and the streaming bar's status line. Qt-free: the window reaches it
// through IStreamingView, the writer through IMFWriter (and IMFStreamOutputs, when the writer
// has it, for the further destinations and the recording).
//
// Streaming goes to the streaming page's server and key and, when the settings file has some
// enabled, to the further destinations of the "Destinos" page, all from one encode. A
// destination whose URL cannot be used is shown failed with its reason; the others start.
//
// Threads: every method runs on the user-interface thread, except Snapshot (any thread).
// IsStreaming is owned by the caller (the main window's runtime state, read by the frame pump
// on its own thread for every frame: program frames go to the writer while it is set); this
// class holds a reference to it and is its only writer. It is set while the stream or the
// recording runs. The order of steps keeps the pump from feeding a writer that is not set up:
// on start the writer is started before IsStreaming is set; on stop IsStreaming is cleared
// (when nothing else needs frames) before the writer is stopped.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/media/core/interfaces.h"
#include "streaming/destinations.h"

namespace vexto {

class TIniFile;

inline constexpr const char* kCaptionHabilitar = "Habilitar";
inline constexpr const char* kCaptionDesabilitar = "Desabilitar";
inline constexpr const char* kCaptionGravar = "Gravar";
inline constexpr const char* kCaptionReconectar = "Reconectar agora";
inline constexpr const char* kApplyToRunningStreamQuestion =
    "O Streaming RTMP está ativo, deseja aplicar as alteraçao ao processo atual ?";

// What the streaming logic asks of the main window and the settings dialog.
class IStreamingView {
 public:
  virtual ~IStreamingView() = default;
  virtual void SetStreamingButtonCaption(const std::string& caption) = 0;  // bot_Streaming
  virtual void SetServerCaption(const std::string& caption) = 0;           // lb_server
  // Form_Config shown without making it modal, disp_streaming its active page.
  virtual void ShowStreamingPage() = 0;
  // disp_streaming made the active page, then Form_Config shown modally.
  virtual void ShowStreamingPageModal() = 0;
  // A confirmation with the buttons Yes and No; true only for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // The streaming bar's status line; failure: shown in the failure colour.
  virtual void SetStreamingStatus(const std::string& text, bool failure) {
    (void)text;
    (void)failure;
  }
  // The "Gravar" menu item and bar button show whether the recording runs.
  virtual void SetRecordingChecked(bool checked) { (void)checked; }
};

// Where the streaming logic reads its settings, at the moment they are needed: the server URL
// and stream key in use (nm_url_servidor, nm_chave_streaming of the main window's settings
// fields), and the settings file with the service, the further destinations and the
// recording folder.
struct StreamingTargetFields {
  std::function<std::string()> url_servidor;
  std::function<std::string()> chave_streaming;
  std::function<const TIniFile*()> settings_file;  // may be empty or give nullptr: none
  std::filesystem::path program_folder;            // beside the executable
};

// The streaming bar's text for one writer status, e.g. "Conectando…", "No ar — 4,0 Mb/s",
// "Falha: conexão recusada pelo servidor — tentando de novo em 4 s", "Parado".
std::string StreamingStatusText(const media::WriterStatus& status);

// One destination's state in a word: "off", "connecting", "live", "retrying", "failed".
std::string DestinationStateWord(media::eWriterState state);

// A plain copy of what the stream and the recording are doing, for the status line and for
// read-back (the control surface's status). Cheap: a few short locks, no waiting.
struct DestinationSnapshot {
  std::string name;   // "YouTube"; the streaming page's server is named after its service
  std::string state;  // DestinationStateWord
  std::string text;   // compact, e.g. "no ar", "tentando de novo em 8 s", "falha: sem URL"
};
struct RecordingSnapshot {
  bool on = false;
  std::string file;  // the file being written, or the last one
  std::string text;  // e.g. "gravando", "parada: disco cheio (...)"; empty when never used
};
struct StreamingSnapshot {
  bool streaming = false;
  std::vector<DestinationSnapshot> destinations;  // empty while not streaming
  RecordingSnapshot recording;
};

// The whole status line: one destination as StreamingStatusText; several as
// "YouTube: no ar · Backup: tentando de novo em 8 s"; the recording after them.
std::string StreamingStatusLine(const StreamingSnapshot& snapshot,
                                const media::WriterStatus& lone_status);

class StreamingControl {
 public:
  StreamingControl(std::shared_ptr<media::IMFWriter> writer, std::atomic<bool>& is_streaming,
                   IStreamingView& view, StreamingTargetFields fields);

  // Restarts the writer on server + key with the configuration text (server never empty), and
  // on the enabled further destinations. Raises the writer's EngineError when the
  // configuration does not parse.
  void setWriterRTMP(const std::string& server, const std::string& key, const std::string& config);
  // Streaming button: stops when on; starts when off with a server URL; otherwise opens the
  // settings dialog on its streaming page.
  void bot_StreamingClick();
  // After a change on the streaming page: while streaming, asks whether to apply it and on Yes
  // restarts the stream (two clicks).
  void verificarEncoder();
  // Settings button: the streaming page, modally.
  void bot_ConfigClick();

  // "Gravar": starts the recording when it is off, stops it when on. Starting makes the folder
  // when missing and names the file by date and time ("2026-12-10_21-05-33.mkv"); a folder
  // that cannot be made raises an error with the operator's text (nothing starts then).
  void ToggleRecording();
  void StartRecording();
  void StopRecording();
  bool IsRecording() const { return recording_.load(); }
  // "Reconectar agora": destinations waiting to retry try again now.
  void ReconnectNow();

  // The streaming bar's 500 ms refresh: the status line, the "Gravar" check, and a recording
  // that stopped on its own (full disk, folder gone) is ended here, its reason left on the line.
  void RefreshStatus();
  // Any thread.
  StreamingSnapshot Snapshot() const;

 private:
  struct Named {
    std::string name;
    std::string problem;  // a destination that cannot be used: shown failed, never started
  };
  bool Streaming() const { return streaming_.load(); }
  void PublishFlag();
  std::string PrimaryName() const;

  std::shared_ptr<media::IMFWriter> writer_;
  std::shared_ptr<media::IMFStreamOutputs> outputs_;  // the same writer, when it has them
  std::atomic<bool>& is_streaming_;
  IStreamingView& view_;
  StreamingTargetFields fields_;
  std::atomic<bool> streaming_{false};
  std::atomic<bool> recording_{false};

  mutable std::mutex names_mutex_;  // what Snapshot reads besides the writer
  std::vector<Named> started_;      // in the order given to the writer, unusable ones after
  std::string recording_reason_;    // why the last recording stopped on its own
  std::string recording_file_;
};

}  // namespace vexto
