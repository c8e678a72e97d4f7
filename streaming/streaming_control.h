// The main window's streaming logic: the streaming button, the restart offered after a change
// on the streaming page, the settings button, and the streaming bar's status text. Qt-free: the
// window reaches it through IStreamingView, the writer through IMFWriter.
//
// Threads: every method runs on the user-interface thread. IsStreaming is owned by the caller
// (the main window's runtime state, read by the frame pump on its own thread for every frame);
// this class holds a reference to it and is its only writer. The order of steps keeps the pump
// from feeding a writer that is not set up: on start the writer is started before IsStreaming
// is set; on stop IsStreaming is cleared before the writer is stopped.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "engine/media/core/interfaces.h"

namespace vexto {

inline constexpr const char* kCaptionHabilitar = "Habilitar";
inline constexpr const char* kCaptionDesabilitar = "Desabilitar";
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
};

// Where the server URL and stream key in use are read (nm_url_servidor, nm_chave_streaming of
// the main window's settings fields), at the moment they are needed.
struct StreamingTargetFields {
  std::function<std::string()> url_servidor;
  std::function<std::string()> chave_streaming;
};

// The server URL, then "/" unless it already ends with one, then the stream key.
std::string StreamingTargetUrl(const std::string& server, const std::string& key);

// The streaming bar's text for a writer status, e.g. "Conectando…", "No ar — 4,0 Mb/s",
// "Falha: conexão recusada pelo servidor — tentando de novo em 4 s", "Parado".
std::string StreamingStatusText(const media::WriterStatus& status);

class StreamingControl {
 public:
  StreamingControl(std::shared_ptr<media::IMFWriter> writer, std::atomic<bool>& is_streaming,
                   IStreamingView& view, StreamingTargetFields fields);

  // Restarts the writer on server + key with the configuration text (server never empty).
  // Raises the writer's EngineError when the configuration does not parse.
  void setWriterRTMP(const std::string& server, const std::string& key, const std::string& config);
  // Streaming button: stops when on; starts when off with a server URL; otherwise opens the
  // settings dialog on its streaming page.
  void bot_StreamingClick();
  // After a change on the streaming page: while streaming, asks whether to apply it and on Yes
  // restarts the stream (two clicks).
  void verificarEncoder();
  // Settings button: the streaming page, modally.
  void bot_ConfigClick();

 private:
  std::shared_ptr<media::IMFWriter> writer_;
  std::atomic<bool>& is_streaming_;
  IStreamingView& view_;
  StreamingTargetFields fields_;
};

}  // namespace vexto
