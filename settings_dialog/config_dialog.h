// TForm_Config ("Configurações"): the settings dialog. A tree `menu` on the left chooses the page
// shown in `PageControl`: the capture device page (disp_saidas), the streaming page
// (disp_streaming), the further destinations and the recording folder (disp_destinos), the
// playlist and clock preferences (pref_playlist) and the About page
// (sist_sobre). Created once right after the main window, kept hidden between showings until
// exit, so its controls keep their values.
//
// Creation, in order: no page active; a NEW live source is made and installed as CameraSource
// (the runtime swaps it in safely while the frame pump runs) and the device list is filled from
// it; preference controls set from the main window's fields (writing back the keys whose
// controls change); the stored capture device choices selected; the streaming page loaded
// (ending with the stored service); the capture device choices applied; "Avançado" collapsed.
// An error in any step is shown through the message service and skips the remaining steps; the
// dialog is still usable.
//
// Showing expands the tree and clears StreamingSettingsDirty, so only changes made while the
// dialog is visible lead to the close question "As configurações não foram salvas\r\rDeseja
// aplicar ?": Yes saves the streaming preset, No chooses the service again (restoring its
// preset). The dialog closes either way.
//
// Ownership: the context's fields, ConfigFile and message service belong to the main window and
// outlive the dialog. GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/settings_fields.h"
#include "engine/media/core/interfaces.h"
#include "ui/message_service.h"

class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexto {

class TAboutPage;
class TDestinationsPage;
class TDevicePage;
class TPrefPlaylistPage;
class TStreamingPage;

struct ConfigDialogContext {
  // The main window's settings fields; fields.ConfigFile must be set.
  SettingsFields& fields;
  // Makes the dialog's new live source; empty: the engine factory's live source class.
  std::function<std::shared_ptr<media::IMFLive>()> make_live_source;
  // Installs the new live source as CameraSource (the runtime's safe swap); may be empty.
  std::function<void(std::shared_ptr<media::IMFLive>)> install_camera_source;
  // The stream writer the streaming page sets choices on.
  std::shared_ptr<media::IMFWriter> StreamWriter;
  // The main window's verificarEncoder (offers a restart while streaming); may be empty.
  std::function<void()> verificarEncoder;
  // Sets the main window's lb_server caption; may be empty.
  std::function<void(const std::string&)> set_server_caption;
};

class TForm_Config : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Config(ConfigDialogContext context, QWidget* parent = nullptr);
  ~TForm_Config() override;

  // Openings from the main window.
  int Gerais1Click();            // modal, on the page that was active last (none at first)
  int ShowStreamingModal();      // bot_ConfigClick: streaming page, then modal
  void ShowStreamingNonModal();  // bot_StreamingClick without a server URL: streaming page

  // Navigation: the selected node's page becomes active; a node without one changes nothing.
  void menuClick();

  // The active page; nullptr while none has been chosen.
  QWidget* ActivePage() const;
  void SetActivePage(QWidget* page);

  bool StreamingSettingsDirty() const;

  // The live source the dialog installed as CameraSource.
  std::shared_ptr<media::IMFLive> CameraSource() const;

  QTreeWidget* menu = nullptr;
  QStackedWidget* PageControl = nullptr;
  TDevicePage* disp_saidas = nullptr;
  TStreamingPage* disp_streaming = nullptr;
  TDestinationsPage* disp_destinos = nullptr;
  TPrefPlaylistPage* pref_playlist = nullptr;
  TAboutPage* sist_sobre = nullptr;

  static constexpr const char* kCloseQuestion =
      "As configura\xC3\xA7\xC3\xB5"
      "es n\xC3\xA3o foram salvas\r\rDeseja aplicar ?";

 public slots:
  void done(int result) override;  // FormClose, then hides

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow

 private:
  void BuildLayout();
  void FormCreate();
  void FormShow();
  void FormClose();
  void ShowError(const std::string& text) { TMessageService::Error(text); }

  ConfigDialogContext ctx_;
  QWidget* no_page_ = nullptr;
};

}  // namespace vexto
