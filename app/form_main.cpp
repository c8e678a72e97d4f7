#include "app/form_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "app/fp_control.h"
#include "app/vexto_application.h"
#include "core/paths.h"
#include "engine/media/monitor/monitor.h"
#include "remote/remote_control.h"
#include "ui/file_catcher.h"
#include "ui/message_service.h"
#include "ui/playlist_grid.h"
#include "ui/png_button.h"

namespace vexto {

namespace {

constexpr const char* kPlaylistFilter = "Arquivo Ravino (*.vxt)";

// 0x00BBGGRR to a colour; negative values name system colours (here: the window text).
QColor ToQColor(TColor color, const QPalette& palette) {
  if (color < 0) return palette.color(QPalette::WindowText);
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace

Tform_main::Tform_main(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), log_(ExecutableFolder(options_.exe_path)) {
  if (!options_.end_process) {
    options_.end_process = [](int code) { QCoreApplication::exit(code); };
  }
  BuildLayout();
  BuildMenus();
  runtime_ = std::make_unique<TPlaybackRuntime>(
      *this, [this](const std::string& line) { log_.logger(line); }, this);
  list_access_ = std::make_unique<MediaListAccess>(runtime_->MediaList);
  PlaylistEditingContext context;
  context.get_on_air_index = [this] { return runtime_->OnAirIndex.load(); };
  context.set_on_air_index = [this](int v) { runtime_->OnAirIndex.store(v); };
  context.get_is_playing = [this] { return runtime_->IsPlaying.load(); };
  context.set_is_playing = [this](bool v) { runtime_->IsPlaying.store(v); };
  context.inserir_pausa = [this] { return fields_.bl_inserir_pausa; };
  context.probe_duration = [this](const std::string& path) {
    double seconds = 0.0;
    if (runtime_->ProbeReader) {
      runtime_->ProbeReader->OpenMediaFile(path, 0);
      runtime_->ProbeReader->QueryMediaDuration(seconds);
    }
    return seconds;
  };
  context.close_playlist_reader = [this] {
    if (auto reader = runtime_->PlaylistReader()) reader->CloseMediaFile();
  };
  context.cue = [this](const std::string& path) { runtime_->prepararMidia(path, false); };
  context.play = [this](const std::string& status) { runtime_->Play(status); };
  editing_ = std::make_unique<TPlaylistEditing>(*list_access_, *this, std::move(context));
  WireControls();
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // sizes itself to its controls
}

Tform_main::~Tform_main() {
  if (!closed_) FormDestroy();
  // The pump must be gone before the widgets it posts to.
  if (runtime_) runtime_->StopPump();
  if (created_) media::SetMonitorLogHook({});
}

void Tform_main::LogFromWorker(const std::string& line) const {
  try {
    log_.logger(line);
  } catch (...) {
    // A log that cannot be written must not stop the thread that reports.
  }
}

std::filesystem::path Tform_main::DefaultPlaylistFile() const {
  return DefaultPlaylistFilePath(options_.exe_path);
}

template <typename Fn>
void Tform_main::Step(Fn&& fn) {
  try {
    fn();
  } catch (...) {
    ShowCurrentException();
  }
}

template <typename Fn>
void Tform_main::Edit(Fn&& fn) {
  struct Republish {
    TPlaybackRuntime& rt;
    ~Republish() { rt.NotifyPlaylistChanged(); }
  } republish{*runtime_};
  fn();
}

void Tform_main::WireControls() {
  connect(AbrirPlaylist1, &QAction::triggered, this, [this] { AbrirPlaylist1Click(); });
  connect(SalvarPlaylist1, &QAction::triggered, this, [this] { SalvarPlaylist1Click(); });
  connect(Sair1, &QAction::triggered, this, [this] { Sair1Click(); });
  connect(Gerais1, &QAction::triggered, this, [this] {
    if (open_settings) open_settings();
  });
  connect(Ajuda1, &QAction::triggered, this, [this] {
    if (open_about) open_about();
  });
  connect(bot_Gc, &QPushButton::clicked, this, [this] {
    if (open_gc) open_gc();
  });
  connect(Audio1, &QAction::triggered, this, [this] { runtime_->Audio1Click(); });
  connect(Video1, &QAction::triggered, this, [this] { runtime_->Video1Click(); });
  connect(Audio2, &QAction::triggered, this, [this] { runtime_->Audio2Click(); });
  connect(Video2, &QAction::triggered, this, [this] { runtime_->Video2Click(); });
  connect(Audio3, &QAction::triggered, this, [this] { runtime_->Audio3Click(); });
  connect(Video3, &QAction::triggered, this, [this] { runtime_->Video3Click(); });
  connect(Audio4, &QAction::triggered, this, [this] { runtime_->Audio4Click(); });
  connect(Video4, &QAction::triggered, this, [this] { runtime_->Video4Click(); });
  connect(Loop1, &QAction::triggered, this, [this] { LoopClick(); });
  connect(Pausar1, &QAction::triggered, this, [this] { PausarClick(); });
  connect(Remover1, &QAction::triggered, this, [this] { RemoverClick(); });
  connect(Removertodos1, &QAction::triggered, this, [this] { RemoverTodosClick(); });
  connect(Progressivo1, &QAction::triggered, this, [this] { runtime_->Progressivo1Click(); });

  // Context menus: grid, clock bar and clock, playlist and camera monitors.
  gridPlaylist->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(gridPlaylist, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
    GridContextMenuOpening();
    PopupMenu1->popup(gridPlaylist->viewport()->mapToGlobal(pos));
  });
  for (QWidget* w : {static_cast<QWidget*>(Panel6), static_cast<QWidget*>(durEvento)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](QPoint pos) { PopupMenu2->popup(w->mapToGlobal(pos)); });
  }
  for (QWidget* w : {panel_Monitor_PGM, panel_Monitor_PVW}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](QPoint pos) { PopupMenu3->popup(w->mapToGlobal(pos)); });
  }

  // Transport.
  connect(botPlayPGM, &TPNGButton::OnClick, this, [this] { runtime_->botPlayPGMClick(); });
  connect(PNGButton2, &TPNGButton::OnClick, this, [this] { runtime_->PNGButton2Click(); });
  connect(PNGButton3, &TPNGButton::OnClick, this, [this] { runtime_->PNGButton3Click(); });
  connect(PNGButton4, &TPNGButton::OnClick, this, [this] { runtime_->PNGButton4Click(); });
  connect(trackBarPGM, &QSlider::valueChanged, this, [this](int v) { runtime_->SeekBarMoved(v); });
  connect(UpdateUI_PGM, &QTimer::timeout, this, [this] { runtime_->UpdateUI_PGMTimer(); });

  // Source and streaming.
  connect(bot_1, &TPNGButton::OnClick, this, [this] { runtime_->swPlaylist(); });
  connect(bot_2, &TPNGButton::OnClick, this, [this] { runtime_->swLive(); });
  connect(bot_Streaming, &QPushButton::clicked, this, [this] {
    if (streaming_) streaming_->bot_StreamingClick();
  });
  connect(bot_Config, &QPushButton::clicked, this, [this] {
    if (streaming_) {
      streaming_->bot_ConfigClick();
    } else if (open_settings_streaming) {
      open_settings_streaming();
    }
  });
  // The safety recording and reconnecting at once; the control keeps the checks in step.
  const auto toggle_recording = [this] {
    if (streaming_) streaming_->ToggleRecording();
    SetRecordingChecked(streaming_ && streaming_->IsRecording());
  };
  connect(bot_Gravar, &QPushButton::clicked, this, toggle_recording);
  connect(Gravar1, &QAction::triggered, this, toggle_recording);
  connect(ReconectarAgora1, &QAction::triggered, this, [this] {
    if (streaming_) streaming_->ReconnectNow();
  });
  streaming_status_timer_ = new QTimer(this);
  streaming_status_timer_->setInterval(500);
  connect(streaming_status_timer_, &QTimer::timeout, this, [this] { RefreshStreamingStatus(); });

  // Grid.
  gridPlaylist->SetFlagSource(
      TPlaylistGrid::FlagSource{[this] { return runtime_->MediaList.Count(); },
                                [this](int row) { return runtime_->MediaList.Items(row).FPause; },
                                [this](int row) { return runtime_->MediaList.Items(row).FLoop; }});
  gridPlaylist->accept_drag = [this] { return editing_->AcceptsDragFromGrid(); };
  connect(gridPlaylist, &TPlaylistGrid::GridMouseDown, this, &Tform_main::GridMouseDown);
  connect(gridPlaylist, &TPlaylistGrid::GridRowDropped, this, &Tform_main::GridRowDropped);
  connect(gridPlaylist, &TPlaylistGrid::GridKeyDown, this, &Tform_main::GridKeyDown);
  connect(gridPlaylist, &TPlaylistGrid::GridKeyPress, this, &Tform_main::GridKeyPress);
}

// ---- start-up and shutdown ----

void Tform_main::FormCreate() {
  if (created_) return;
  created_ = true;
  TMessageService::SetParent(this);
  remote::RemoteSettings remote_settings;
  Step([&] { log_.logger("Iniciando Vexto"); });
  runtime_->entrada.store(eInput::eLive);
  Step([&] { log_.logger("Iniciando Comunicação Serial"); });
  if (options_.remote_control) {
    Step([&] {
      remote_ = std::make_unique<remote::RemoteControl>(
          *runtime_, [this](const std::string& line) { LogFromWorker(line); });
      const TIniFile ini(SettingsFilePath(options_.exe_path));
      remote_settings = remote::ReadRemoteSettings(ini);
      remote_->StartSerialControl(remote_settings);
    });
  }
  MaskFloatingPointExceptions();
  setAcceptDrops(true);
  // MediaList and PgmState exist with the runtime; the engine objects come next.
  Step([&] { runtime_->CreateEngineObjects(); });
  // The engine's own lines go to the event log too: each stream failure and recovery, and a
  // monitor that finds no sound output.
  if (runtime_->StreamWriter) {
    runtime_->StreamWriter->SetWriterLogger(
        [this](const std::string& line) { LogFromWorker(line); });
  }
  media::SetMonitorLogHook([this](const std::string& line) { LogFromWorker(line); });
  Step([&] {
    runtime_->BindMonitors(static_cast<int64_t>(panel_Monitor_PGM->winId()),
                           static_cast<int64_t>(panel_Monitor_PVW->winId()),
                           static_cast<int64_t>(panel_Monitor_OUT->winId()));
  });
  if (runtime_->StreamWriter) {
    streaming_ = std::make_unique<StreamingControl>(
        runtime_->StreamWriter, runtime_->IsStreaming, *this,
        StreamingTargetFields{[this] { return fields_.nm_url_servidor; },
                              [this] { return fields_.nm_chave_streaming; },
                              [this] { return fields_.ConfigFile.get(); },
                              ExecutableFolder(options_.exe_path)});
    streaming_status_timer_->start();
  }
  runtime_->OnAirIndex.store(-1);
  Step([&] {
    fields_.CreateConfigFile(SettingsFilePath(options_.exe_path));
    runtime_->SetSettings(&fields_);
    fields_.carregarVariaveis(
        [this](const SettingsFields& f) { runtime_->ApplyStoredMonitorChoices(f); });
  });
  Step([&] {
    try {
      AbrirPlaylist(runtime_->MediaList, DefaultPlaylistFile(), *this);
    } catch (...) {
      runtime_->NotifyPlaylistChanged();
      throw;
    }
    runtime_->NotifyPlaylistChanged();
  });
  runtime_->StartPump();
  if (remote_) Step([&] { remote_->StartHttpControl(remote_settings); });
}

void Tform_main::FormClose() {
  if (closed_ || !created_) return;
  closed_ = true;
  runtime_->IsPlaying.store(false);
  runtime_->PumpRunning.store(false);
  if (fields_.bl_salvar_playlist) {
    Step([&] { salvarPlaylist(runtime_->MediaList, DefaultPlaylistFile()); });
  }
  if (streaming_) Step([&] { streaming_->StopRecording(); });
  runtime_->IsStreaming.store(false);
  streaming_status_timer_->stop();
  if (runtime_->StreamWriter) Step([&] { runtime_->StreamWriter->StopStreamOutput(0); });
  if (remote_) remote_->StopRemoteControl();
  fields_.ConfigFile.reset();
  UpdateUI_PGM->stop();
  runtime_->StopPump();  // the pump's last line: "AVThread Finalizado"
  options_.end_process(0);
}

void Tform_main::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  setAcceptDrops(false);
  if (runtime_) {
    if (auto reader = runtime_->PlaylistReader()) {
      try {
        reader->CloseMediaFile();
      } catch (...) {
      }
    }
  }
}

void Tform_main::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void Tform_main::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (centred_) return;
  centred_ = true;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

// ---- views ----

void Tform_main::listar() {
  const TMediaList& list = runtime_->MediaList;
  gridPlaylist->SetRowCount(list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    const TMidia& item = list.Items(i);
    gridPlaylist->SetCellText(0, i, QString::fromStdString(item.FStatus));
    gridPlaylist->SetCellText(1, i, QString::fromStdString(item.FDuracao));
    gridPlaylist->SetCellText(2, i, QString::fromStdString(item.FNome));
  }
  gridPlaylist->viewport()->update();
}

void Tform_main::limparGrid() {
  for (int r = 0; r < gridPlaylist->rowCount(); ++r)
    for (int c = 0; c < gridPlaylist->columnCount(); ++c) gridPlaylist->SetCellText(c, r, "");
  gridPlaylist->SetRowCount(0);
}

void Tform_main::SetGridStatusCell(int row, const std::string& status) {
  if (row < 0 || row >= gridPlaylist->rowCount()) throw EListError();
  gridPlaylist->SetCellText(0, row, QString::fromStdString(status));
}

int Tform_main::GridSelectedRow() const {
  return gridPlaylist->CurrentRow();
}
void Tform_main::SetGridSelectedRow(int row) {
  gridPlaylist->SetCurrentRow(row);
}
void Tform_main::SetClockText(const std::string& text) {
  durEvento->setText(QString::fromStdString(text));
}
void Tform_main::SetClockColor(TColor color) {
  QPalette p = durEvento->palette();
  p.setColor(QPalette::WindowText, ToQColor(color, palette()));
  durEvento->setPalette(p);
}
void Tform_main::SetElapsedText(const std::string& text) {
  lb_dur_panel_pgm->setText(QString::fromStdString(text));
}
void Tform_main::SetProgressMax(int max) {
  pb_PGM->setMaximum(max);
}
void Tform_main::SetProgressPosition(int position) {
  pb_PGM->setValue(position);
}
void Tform_main::ShowSeekBarPosition(int position) {
  const QSignalBlocker block(trackBarPGM);
  trackBarPGM->setValue(position);
}
void Tform_main::PGMPaintPlay() {
  botPlayPGM->ImageNormal() = imgPlay;
  botPlayPGM->ImageOver() = imgPlayOver;
  botPlayPGM->update();
}
void Tform_main::PGMPaintPause() {
  botPlayPGM->ImageNormal() = imgPause;
  botPlayPGM->ImageOver() = imgPauseOver;
  botPlayPGM->update();
}
void Tform_main::SetUpdateTimerEnabled(bool enabled) {
  if (enabled) {
    UpdateUI_PGM->start();
  } else {
    UpdateUI_PGM->stop();
  }
}
void Tform_main::ShowMessage(const std::string& text) {
  TMessageService::Inform(text);
}
bool Tform_main::AskYesNoWarning(const std::string& text) {
  return TMessageService::AskYesNoWarning(text);
}
void Tform_main::SetMonitorMenuChecked(eMonitorAV setting, bool checked) {
  switch (setting) {
    case eMonitorAV::PlaylistAudio:
      Audio1->setChecked(checked);
      Audio3->setChecked(checked);
      break;
    case eMonitorAV::PlaylistVideo:
      Video1->setChecked(checked);
      Video3->setChecked(checked);
      break;
    case eMonitorAV::LiveAudio:
      Audio2->setChecked(checked);
      Audio4->setChecked(checked);
      break;
    case eMonitorAV::LiveVideo:
      Video2->setChecked(checked);
      Video4->setChecked(checked);
      break;
  }
}
void Tform_main::SetProgressivoChecked(bool checked) {
  Progressivo1->setChecked(checked);
}
void Tform_main::ClearCell(int column, int row) {
  gridPlaylist->SetCellText(column, row, "");
}
void Tform_main::SetLoopChecked(bool checked) {
  Loop1->setChecked(checked);
}
void Tform_main::SetPauseChecked(bool checked) {
  Pausar1->setChecked(checked);
}

void Tform_main::SetServerText(const std::string& text) {
  lb_server->setText(QString::fromStdString(text));
}
void Tform_main::SetStreamingButtonCaption(const std::string& caption) {
  bot_Streaming->setText(QString::fromStdString(caption));
}
void Tform_main::SetStreamingStatus(const std::string& text, bool failure) {
  lb_stream_status->setText(QString::fromStdString(text));
  lb_stream_status->setToolTip(QString::fromStdString(text));
  QPalette p = lb_stream_status->palette();
  p.setColor(QPalette::WindowText, failure ? QColor(0xFF, 0x9A, 0x8A) : QColor(0xC8, 0xF0, 0xA8));
  lb_stream_status->setPalette(p);
}

void Tform_main::ShowStreamingPage() {
  if (show_streaming_page) show_streaming_page();
}
void Tform_main::ShowStreamingPageModal() {
  if (show_streaming_page_modal) show_streaming_page_modal();
}
bool Tform_main::AskYesNo(const std::string& question) {
  return TMessageService::AskYesNo(question);
}
void Tform_main::RefreshStreamingStatus() {
  if (streaming_) streaming_->RefreshStatus();
}
void Tform_main::SetRecordingChecked(bool checked) {
  bot_Gravar->setChecked(checked);
  Gravar1->setChecked(checked);
}

// ---- commands ----

void Tform_main::AbrirPlaylist1Click() {
  if (runtime_->IsPlaying.load() && !AskYesNoWarning(kRemoveAllQuestion)) return;
  const QString file =
      QFileDialog::getOpenFileName(this, "Abrir Playlist", QString(), kPlaylistFilter);
  if (file.isEmpty()) return;
  runtime_->IsPlaying.store(false);
  if (auto reader = runtime_->PlaylistReader()) reader->CloseMediaFile();
  // The reader was closed: no item stays on air (the Space key and the transport would
  // otherwise act on whatever item now stands at the old index).
  runtime_->OnAirIndex.store(-1);
  Edit([&] { AbrirPlaylist(runtime_->MediaList, file.toStdString(), *this); });
}

void Tform_main::SalvarPlaylist1Click() {
  const QString file =
      QFileDialog::getSaveFileName(this, "Salvar Playlist", QString(), kPlaylistFilter, nullptr,
                                   QFileDialog::DontConfirmOverwrite);
  if (file.isEmpty()) return;
  salvarPlaylist(runtime_->MediaList, file.toStdString());
}

void Tform_main::RemoverClick() {
  Edit([&] { editing_->Remover(); });
}
void Tform_main::RemoverTodosClick() {
  Edit([&] { editing_->RemoverTodos(); });
}
void Tform_main::LoopClick() {
  Edit([&] { editing_->LoopClick(); });
}
void Tform_main::PausarClick() {
  Edit([&] { editing_->PausarClick(); });
}
void Tform_main::GridContextMenuOpening() {
  editing_->ContextMenuOpening();
}
void Tform_main::GridKeyDown(int virtual_key) {
  Edit([&] { editing_->GridKeyDown(virtual_key); });
}
void Tform_main::GridKeyPress(char32_t character) {
  Edit([&] { editing_->GridKeyPress(character); });
}
void Tform_main::GridMouseDown(Qt::MouseButton button, int row) {
  editing_->GridMouseDown(button == Qt::LeftButton, row);
}
void Tform_main::GridRowDropped(int row) {
  Edit([&] { editing_->GridDrop(row); });
}
void Tform_main::DropFiles(const std::vector<std::string>& files) {
  Edit([&] { editing_->DropFiles(files); });
}

void Tform_main::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void Tform_main::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void Tform_main::dropEvent(QDropEvent* event) {
  QMainWindow::dropEvent(event);
  event->acceptProposedAction();
  const TFileCatcher catcher(*event->mimeData());
  std::vector<std::string> files;
  for (int i = 0; i < catcher.FileCount(); ++i) files.push_back(catcher.Files(i));
  DropFiles(files);
}

}  // namespace vexto
