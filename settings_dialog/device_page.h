// disp_saidas: the capture device page. It enumerates and chooses on the CameraSource that the
// settings dialog installed: the video capture device, its input line ("line-in"), its input
// video format and the audio capture device. Choosing a device switches the camera at once;
// the line, format and audio device are applied, and all four positions stored under
// "Dispositivos", only by "Configurar" or a double-click in one of the three lower lists.
// A position is the zero-based row of the selected entry, -1 when nothing is selected; -1 is
// passed to the engine and stored as it is.
//
// Ownership: shares the CameraSource with the runtime (the frame pump pulls from it on its own
// thread; the engine accepts changes between pulls). GUI thread only.
#pragma once

#include <QWidget>
#include <memory>

#include "core/ini_file.h"
#include "engine/media/core/interfaces.h"
#include "streaming/page/control_rules.h"

class QListWidget;
class QPushButton;

namespace vexto {

class TDevicePage : public QWidget {
  Q_OBJECT

 public:
  TDevicePage(TIniFile& config, ErrorHandler show_error, QWidget* parent = nullptr);

  // The live source the page works on (the one the dialog installed as CameraSource).
  void SetCameraSource(std::shared_ptr<media::IMFLive> camera) { camera_ = std::move(camera); }
  const std::shared_ptr<media::IMFLive>& CameraSource() const { return camera_; }

  // Loading: fill the device list; select the stored positions (device selection runs for the
  // device); apply (bt_configurarClick) is the dialog's own step.
  void FillDeviceList();
  void SelectStored(int device, int line, int audio_device, int format);

  void lb_dispositivosClick();  // device selection
  void bt_configurarClick();    // apply and store

  QListWidget* lb_dispositivos = nullptr;
  QListWidget* lb_linhas = nullptr;
  QListWidget* lb_linha_audio = nullptr;
  QListWidget* lb_formatos = nullptr;
  QPushButton* bt_configurar = nullptr;

 private:
  void BuildLayout();

  TIniFile& config_;
  ErrorHandler show_error_;
  std::shared_ptr<media::IMFLive> camera_;
};

}  // namespace vexto
