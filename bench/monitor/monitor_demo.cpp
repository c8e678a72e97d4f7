// A small window with three monitor panels fed by a frame pump thread, every object made by the
// engine's factory: the camera monitor shows the live source's test bars, the program monitor
// the same frames (the program is on the camera), the playlist monitor a media file given as
// `--file PATH`, played in a loop (black without one). `--seconds N` closes the window after N
// seconds (for screenshots under Xvfb).
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"

using namespace vexto::media;

namespace {

QWidget* BlackPanel(QWidget* parent, int w, int h) {
  auto* panel = new QWidget(parent);
  panel->setFixedSize(w, h);
  panel->setAutoFillBackground(true);
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, Qt::black);
  panel->setPalette(p);
  return panel;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int seconds = 0;
  std::string file;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--seconds") seconds = std::stoi(argv[i + 1]);
    if (std::string(argv[i]) == "--file") file = argv[i + 1];
  }
  RegisterBuiltInEngineClasses();

  QWidget window;
  window.setWindowTitle("Vexto - monitores");
  auto* grid = new QGridLayout(&window);
  QWidget* camera_panel = BlackPanel(&window, 480, 311);
  QWidget* program_panel = BlackPanel(&window, 480, 311);
  QWidget* playlist_panel = BlackPanel(&window, 240, 155);
  grid->addWidget(new QLabel("Câmera (Gerador de Teste)", &window), 0, 0);
  grid->addWidget(new QLabel("Programa", &window), 0, 1);
  grid->addWidget(new QLabel(file.empty() ? "Playlist (nada tocando)"
                                          : QString::fromStdString("Playlist: " + file),
                             &window),
                  0, 2);
  grid->addWidget(camera_panel, 1, 0);
  grid->addWidget(program_panel, 1, 1);
  grid->addWidget(playlist_panel, 1, 2, Qt::AlignTop);
  window.move(20, 20);
  window.show();

  auto live = CreateEngineInterface<IMFLive>(CLSID_MFLive);
  auto reader = CreateEngineInterface<IMFReader>(CLSID_MFReader);
  if (!file.empty()) reader->OpenMediaFile(file, 0);
  int count = 0;
  live->CountCaptureDevices(kCaptureVideo, count);
  live->ChooseCaptureDevice(kCaptureVideo, count - 1, 0);
  live->CountCaptureDevices(kCaptureAudio, count);
  live->ChooseCaptureDevice(kCaptureAudio, count - 1, 0);

  auto camera = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  auto program = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  auto playlist = CreateEngineInterface<IMFPreview>(CLSID_MFPreview);
  camera->BindMonitorWindow("", static_cast<int64_t>(camera_panel->winId()));
  program->BindMonitorWindow("", static_cast<int64_t>(program_panel->winId()));
  playlist->BindMonitorWindow("", static_cast<int64_t>(playlist_panel->winId()));
  camera->SetMonitorAudioVideo("", 0, 1);
  program->SetMonitorAudioVideo("", 0, 1);
  playlist->SetMonitorAudioVideo("", 0, 1);

  // The pump: one pass per program frame, on absolute deadlines.
  std::atomic<bool> running{true};
  std::thread pump([&] {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1001.0 / 30000.0));
    const Clock::time_point start = Clock::now();
    double position = -1.0;
    for (int64_t n = 1; running; ++n) {
      M_AV_PROPS props;
      IMFFramePtr frame;
      live->PullFrame(props, -1.0, -1, -1, frame, "");
      camera->PushFrame(frame, 0, 0, 0);
      IMFFramePtr item;
      if (!file.empty()) {
        M_AV_PROPS item_props;
        reader->PullFrame(item_props, position, -1, -1, item, "");
        // Loop: after the last frame, ask for the start again.
        position = item && (item->Time().eFFlags & eMFF_EndOfMedia) != 0 ? 0.0 : -1.0;
      }
      playlist->PushFrame(item, 0, 0, 0);
      program->PushFrame(frame, -1, -1, 0);
      std::this_thread::sleep_until(start + period * n);
    }
  });

  if (seconds > 0) QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
  const int rc = app.exec();
  running = false;
  pump.join();
  return rc;
}
