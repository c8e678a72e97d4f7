#include "app/window_hooks.h"

#include "app/form_main.h"

#if __has_include("engine/media/factory/builtin_classes.h")
#include "engine/media/factory/builtin_classes.h"
#define VEXTO_HAVE_ENGINE_FACTORY 1
#endif

namespace vexto {

void RegisterEngineClassesForApp() {
#ifdef VEXTO_HAVE_ENGINE_FACTORY
  media::RegisterBuiltInEngineClasses();
#endif
}

std::unique_ptr<QObject> CreateSettingsDialog(Tform_main& /*form*/) {
  return nullptr;
}

}  // namespace vexto
