// disp_streaming: the streaming page of the settings dialog. It chooses the streaming service,
// the RTMP server URL, the stream key and the encoding; it keeps one preset per service in the
// settings file (sections "Facebook", "Youtube", "Twitch", "Outros"), writes every change through
// to the "rtmp" section and to the main window's fields at once, and sets the encoding choices
// directly on the stream writer. A change that affects a running stream calls verificarEncoder,
// which offers a restart.
//
// Ownership: the page refers to the main window's settings fields and ConfigFile (both outlive
// the page) and shares the stream writer. Threads: GUI thread only; the writer's choices may be
// changed while it streams (the writer takes them at its next start).
//
// Errors (a refused settings write, a bad stored service position) are raised to the caller of
// an operation; handlers started by the operator show them through `show_error` and stop there.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/settings_fields.h"
#include "engine/media/core/interfaces.h"
#include "streaming/page/control_rules.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vexto {

class CategoryPanel;

struct StreamingPageContext {
  SettingsFields& fields;  // main window's fields; ConfigFile must be set
  std::shared_ptr<media::IMFWriter> StreamWriter;
  std::function<void()> verificarEncoder;                      // may be empty
  std::function<void(const std::string&)> set_server_caption;  // lb_server; may be empty
  ErrorHandler show_error;                                     // generic error handler
};

class TStreamingPage : public QWidget {
  Q_OBJECT

 public:
  explicit TStreamingPage(StreamingPageContext context, QWidget* parent = nullptr);

  // Loading at dialog creation: output list ("RTMP Streaming" chosen), hidden list, codecs and
  // bitrate from the main window's fields, server URL and key, then the stored service
  // (tipo_live) is chosen. Raises ConvertError when tipo_live is not a whole number; the steps
  // before it have run then.
  void LoadAtCreation();

  // Operations.
  void comboLiveTypeChange();       // choose service
  void bt_config_streamingClick();  // save preset
  void Button3Click();              // reset

  // Change rules.
  void ed_servidorChange();
  void ed_chaveChange();
  void CapturingOutBoxChange();
  void CapturingVideoBoxChange();
  void CapturingAudioBoxChange();
  void ed_bitrateChange();
  // Bitrate apply: the listed video codec takes "b" set to the bitrate text, the configuration is
  // shown, the video codec rule runs, "rtmp" / "video_bitrate" is written.
  void ed_bitrateExit();
  void ConfigurationBoxChange();
  void CapturingFormatBoxChange();

  bool StreamingSettingsDirty() const { return dirty_; }
  void ClearStreamingSettingsDirty() { dirty_ = false; }

  // Page setters that run the field's rule when the text changes (as typing would).
  void SetServerText(const std::string& text);
  void SetKeyText(const std::string& text);
  void SetBitrateText(const std::string& text);

  // Controls, named as the page's handlers refer to them.
  QGroupBox* group = nullptr;
  QComboBox* comboLiveType = nullptr;
  QPushButton* Button3 = nullptr;
  QLineEdit* ed_servidor = nullptr;
  QLineEdit* ed_chave = nullptr;
  CategoryPanel* CategoryPanel1 = nullptr;
  QComboBox* CapturingOutBox = nullptr;
  QLineEdit* ed_bitrate = nullptr;
  QComboBox* CapturingVideoBox = nullptr;
  QComboBox* CapturingAudioBox = nullptr;
  QLineEdit* ConfigurationBox = nullptr;
  QLabel* lb_aspecto = nullptr;
  QComboBox* CapturingFormatBox = nullptr;
  QPushButton* bt_config_streaming = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TIniFile& Config() const { return *ctx_.fields.ConfigFile; }
  void FillFromWriter(QComboBox* box, int kind);
  void ShowConfiguration();  // ConfigurationBox shows the writer's configuration text
  void Verify();             // verificarEncoder
  void BuildLayout();
  void ConnectOperatorSignals();

  StreamingPageContext ctx_;
  bool dirty_ = false;
};

}  // namespace vexto
