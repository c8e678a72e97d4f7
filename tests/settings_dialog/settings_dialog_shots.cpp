// Grabs every page of the settings dialog into PNG files, to look at the layout:
//   settings_dialog_shots [output folder, default /tmp]
// Uses a temporary settings file and the real live source; the writer lists are a small fixed
// set (the writer is not needed to look at the layout).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/live/live_source.h"
#include "settings_dialog/about_page.h"
#include "settings_dialog/config_dialog.h"
#include "settings_dialog/device_page.h"
#include "settings_dialog/preferences_page.h"
#include "streaming/destinations.h"
#include "streaming/page/category_panel.h"
#include "streaming/page/destinations_page.h"
#include "streaming/page/streaming_page.h"
#include "tests/settings_dialog/fake_engine.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("/tmp");
  const std::filesystem::path ini =
      std::filesystem::temp_directory_path() / "settings_dialog_shots.ini";
  std::filesystem::remove(ini);

  vexto::SettingsFields fields;
  fields.CreateConfigFile(ini);
  fields.carregarVariaveis({});
  fields.ConfigFile->WriteString("Youtube", "url", "rtmp://a.rtmp.youtube.com/live2");
  fields.ConfigFile->WriteString("Youtube", "chave", "abcd-efgh-ijkl");
  fields.ConfigFile->WriteString("Youtube", "bitrate", "4M");
  fields.tipo_live = "1";
  vexto::WriteDestination(*fields.ConfigFile, 0,
                          {"Backup", "rtmp://backup.example/live", "chave-b", true});
  vexto::WriteDestination(*fields.ConfigFile, 1,
                          {"SRT", "srt://srt.example:9000", "publish/show", true});
  vexto::WriteDestination(*fields.ConfigFile, 2, {"Twitch", "twitch.tv/app", "", true});
  // Questions answer No; errors go to standard error instead of a box.
  vexto::TMessageService::SetScript([](vexto::TMessageService::Kind kind, const std::string& text) {
    if (kind != vexto::TMessageService::Kind::AskYesNo &&
        kind != vexto::TMessageService::Kind::AskYesNoWarning)
      std::fprintf(stderr, "%s\n", text.c_str());
    return false;
  });
  vexto::TForm_Config dialog(vexto::ConfigDialogContext{
      .fields = fields,
      .make_live_source =
          [] {
            return vexto::media::QueryEngineInterface<vexto::media::IMFLive>(
                vexto::media::MakeLiveSource(), vexto::media::CLSID_MFLive);
          },
      .install_camera_source = {},
      .StreamWriter = std::make_shared<vexto::test::RecordingWriter>(),
      .verificarEncoder = {},
      .set_server_caption = {},
  });
  dialog.show();
  const auto grab = [&](const char* name) {
    QApplication::processEvents();
    const QString path = QDir(out).filePath(QString("settings_%1.png").arg(name));
    dialog.grab().save(path);
    std::printf("%s\n", path.toLocal8Bit().constData());
  };
  grab("empty");
  dialog.SetActivePage(dialog.disp_saidas);
  grab("devices");
  dialog.SetActivePage(dialog.disp_streaming);
  grab("streaming");
  dialog.disp_streaming->CategoryPanel1->SetCollapsed(false);
  grab("streaming_advanced");
  dialog.SetActivePage(dialog.disp_destinos);
  grab("destinations");
  dialog.SetActivePage(dialog.pref_playlist);
  grab("preferences");
  dialog.SetActivePage(dialog.sist_sobre);
  grab("about");
  dialog.hide();
  std::filesystem::remove(ini);
  return 0;
}
