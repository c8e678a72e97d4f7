#include "app/window_hooks.h"

#include "app/form_main.h"
#include "settings_dialog/config_dialog.h"
#include "ui/message_service.h"

#if __has_include("engine/media/factory/builtin_classes.h")
#include "engine/media/factory/builtin_classes.h"
#define VEXTO_HAVE_ENGINE_FACTORY 1
#endif

namespace vexto {

namespace {

// Owns the dialog for the whole run.
class SettingsDialogHolder : public QObject {
 public:
  explicit SettingsDialogHolder(Tform_main& form) {
    ConfigDialogContext context{
        form.Settings(),
        {},
        [&form](std::shared_ptr<media::IMFLive> live) {
          form.Runtime().ReplaceCameraSource(std::move(live));
        },
        form.Runtime().StreamWriter,
        [&form] {
          if (form.Streaming()) form.Streaming()->verificarEncoder();
        },
        [&form](const std::string& caption) { form.SetServerText(caption); }};
    dialog_ = std::make_unique<TForm_Config>(context, &form);
    TForm_Config* dialog = dialog_.get();
    form.open_settings = [dialog] { dialog->Gerais1Click(); };
    form.open_settings_streaming = [dialog] { dialog->ShowStreamingModal(); };
    form.show_streaming_page = [dialog] { dialog->ShowStreamingNonModal(); };
    form.show_streaming_page_modal = [dialog] { dialog->ShowStreamingModal(); };
  }

 private:
  std::unique_ptr<TForm_Config> dialog_;
};

}  // namespace

void RegisterEngineClassesForApp() {
#ifdef VEXTO_HAVE_ENGINE_FACTORY
  media::RegisterBuiltInEngineClasses();
#endif
}

std::unique_ptr<QObject> CreateSettingsDialog(Tform_main& form) {
  if (!form.Settings().ConfigFile) return nullptr;
  return std::make_unique<SettingsDialogHolder>(form);
}

}  // namespace vexto
