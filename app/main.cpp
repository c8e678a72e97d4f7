// The program entry: the event log file first, then the "Glossy" style, the four windows in
// order (main window, settings dialog, About box, character generator; all hidden until used),
// then the message loop. No command-line arguments are read.
#include <QFont>
#include <QPointer>
#include <exception>
#include <memory>

#include "app/close_signals.h"
#include "app/form_gc.h"
#include "app/form_main.h"
#include "app/form_sobre.h"
#include "app/glossy_theme.h"
#include "app/vexto_application.h"
#include "app/window_hooks.h"
#include "core/event_log.h"
#include "core/paths.h"
#include "ui/message_service.h"
#include "ui/ui_resources.h"

int main(int argc, char** argv) {
  using namespace vexto;
  TVextoApplication app(argc, argv);
  QApplication::setApplicationName("Vexto");
  QFont::insertSubstitutions("Tahoma", {"DejaVu Sans Condensed", "DejaVu Sans"});
  {
    QFont font("Tahoma");
    font.setPixelSize(11);
    QApplication::setFont(font);
  }
  InitUiResources();
  RegisterEngineClassesForApp();

  // The log folder and file exist before the first line is written.
  std::filesystem::path exe;
  try {
    exe = ExecutablePath();
    TEventLog(ExecutableFolder(exe)).CreateLogFile("\\vexto.log");
  } catch (const std::exception& e) {
    TMessageService::Error(e.what());
    return 1;
  }

  ApplyStyle(app, kThemeName);

  int exit_code = 0;
  MainWindowOptions options;
  options.exe_path = exe;
  options.end_process = [&exit_code](int code) {
    exit_code = code;
    QCoreApplication::exit(code);
  };
  auto form_main = std::make_unique<Tform_main>(options);
  // The close signals are caught before anything is started: the remote control answers from
  // its own thread as soon as FormCreate starts it, so a SIGTERM may come before the loop runs.
  // It waits in the notifier's socket and closes the window once the loop starts.
  TCloseSignals close_signals(form_main.get());
  form_main->FormCreate();
  auto settings = CreateSettingsDialog(*form_main);
  auto form_sobre = std::make_unique<Tform_sobre>(form_main.get());
  auto form_gc = std::make_unique<TForm_gc>(form_main.get());
  form_main->open_about = [&form_sobre] { form_sobre->exec(); };
  form_main->open_gc = [&form_gc] { form_gc->show(); };

  form_main->show();
  const int loop_code = app.exec();
  const bool closed = form_main->Closed();
  if (!closed) form_main->FormDestroy();
  settings.reset();
  form_gc.reset();
  form_sobre.reset();
  form_main.reset();
  return closed ? exit_code : loop_code;
}
