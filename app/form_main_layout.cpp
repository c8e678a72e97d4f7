// Tform_main's controls: positions, sizes, captions, colours and menus.
#include <QAction>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "app/form_main.h"
#include "ui/playlist_grid.h"
#include "ui/png_button.h"
#include "ui/ui_resources.h"

namespace vexto {

namespace {

QFont Tahoma(int pixels) {
  QFont font("Tahoma");
  font.setPixelSize(pixels);
  return font;
}

void Paint(QWidget* widget, QColor background, QColor text = QColor()) {
  widget->setAutoFillBackground(true);
  QPalette p = widget->palette();
  p.setColor(QPalette::Window, background);
  if (text.isValid()) p.setColor(QPalette::WindowText, text);
  widget->setPalette(p);
}

QFrame* Bar(QWidget* parent, const char* name, int x, int y, int w, int h, QColor colour) {
  auto* bar = new QFrame(parent);
  bar->setObjectName(name);
  bar->setGeometry(x, y, w, h);
  Paint(bar, colour, Qt::white);
  return bar;
}

QLabel* CaptionBar(QWidget* parent, const char* name, const QString& text, int x, QColor colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(x, 84, 360, 14);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setFont(Tahoma(12));
  Paint(label, colour, Qt::white);
  return label;
}

QWidget* Monitor(QWidget* parent, const char* name, int x) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(name);
  panel->setGeometry(x, 100, 360, 233);
  Paint(panel, Qt::black);
  // The monitor draws into the panel's own native window.
  panel->setAttribute(Qt::WA_NativeWindow);
  return panel;
}

QProgressBar* Strip(QWidget* parent, const char* name, int maximum) {
  auto* strip = new QProgressBar(parent);
  strip->setObjectName(name);
  strip->setGeometry(0, 0, parent->width(), 7);
  strip->setRange(0, maximum);
  strip->setValue(0);
  strip->setTextVisible(false);
  return strip;
}

TPNGButton* ImageButton(QWidget* parent, const char* name, int x, int y, int w, int h,
                        const QString& hint) {
  auto* button = new TPNGButton(parent);
  button->setObjectName(name);
  button->setGeometry(x, y, w, h);
  button->setButtonLayout(TPNGButtonLayout::pbsImageAbove);
  button->setButtonStyle(TPNGButtonStyle::pbsNoFrame);
  if (!hint.isEmpty()) button->setToolTip(hint);
  return button;
}

QLabel* Text(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->move(x, y);
  label->adjustSize();
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(p);
  return label;
}

QAction* Check(QMenu* menu, const char* name, const QString& text, bool checked) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  action->setCheckable(true);
  action->setChecked(checked);
  return action;
}

QAction* Item(QMenu* menu, const char* name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

}  // namespace

void Tform_main::BuildLayout() {
  setObjectName("form_main");
  setWindowTitle("Vexto 1.3");
  setFont(Tahoma(11));
  auto* client = new QWidget(this);
  client->setObjectName("client");
  client->setFixedSize(1085, 643);
  setCentralWidget(client);

  imgPlay = LoadUiImage("play.png");
  imgPlayOver = LoadUiImage("play_over.png");
  imgPause = LoadUiImage("pause.png");
  imgPauseOver = LoadUiImage("pause_over.png");
  imgPauseSmall = LoadUiImage("pause_small.png");
  imgLoopSmall = LoadUiImage("loop_small.png");

  // Clock bar.
  Panel6 = Bar(client, "Panel6", 0, 0, 1083, 82, QColor(0x20, 0x20, 0x20));
  Panel6->setFrameShape(QFrame::Panel);
  Panel6->setFrameShadow(QFrame::Raised);
  Panel6->setLineWidth(2);
  auto* inner = new QFrame(Panel6);
  inner->setObjectName("Panel6Inner");
  inner->setGeometry(3, 3, 1077, 76);
  inner->setFrameShape(QFrame::Panel);
  inner->setFrameShadow(QFrame::Sunken);
  inner->setAttribute(Qt::WA_TransparentForMouseEvents);
  durEvento = new QLabel("00:00:00:00", Panel6);
  durEvento->setObjectName("durEvento");
  durEvento->setGeometry(372, 0, 349, 77);
  // 64 pixels high; a stand-in font wider than Tahoma is made smaller until the clock fits.
  QFont clock_font = Tahoma(64);
  while (clock_font.pixelSize() > 40 &&
         QFontMetrics(clock_font).horizontalAdvance("00:00:00:00") > durEvento->width()) {
    clock_font.setPixelSize(clock_font.pixelSize() - 1);
  }
  durEvento->setFont(clock_font);
  durEvento->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  {
    QPalette p = durEvento->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    durEvento->setPalette(p);
  }

  // Caption bars and monitors.
  Panel2 = CaptionBar(client, "Panel2", " Playlist", 2, QColor(0x0E, 0x0E, 0xC0));
  Panel3 = CaptionBar(client, "Panel3", QString::fromUtf8("Câmera"), 363, QColor(0x0F, 0x71, 0x25));
  Panel5 = CaptionBar(client, "Panel5", " PGM ", 725, QColor(0xFF, 0x80, 0x40));
  panel_Monitor_PGM = Monitor(client, "panel_Monitor_PGM", 2);
  panel_Monitor_PVW = Monitor(client, "panel_Monitor_PVW", 363);
  panel_Monitor_OUT = Monitor(client, "panel_Monitor_OUT", 725);

  // Playlist transport bar.
  const QColor bar_grey(0x55, 0x55, 0x55);
  Panel4 = Bar(client, "Panel4", 2, 333, 360, 70, bar_grey);
  pb_PGM = Strip(Panel4, "pb_PGM", 200);
  trackBarPGM = new QSlider(Qt::Horizontal, Panel4);
  trackBarPGM->setObjectName("trackBarPGM");
  trackBarPGM->setGeometry(-5, 7, 368, 19);
  trackBarPGM->setRange(0, TPlaybackRuntime::kSeekBarMax);
  trackBarPGM->setTickPosition(QSlider::NoTicks);
  botPlayPGM = ImageButton(Panel4, "botPlayPGM", 5, 23, 40, 40, "Play / Pause [espaço]");
  botPlayPGM->setImageNormal(imgPlay);
  botPlayPGM->setImageOver(imgPlayOver);
  PNGButton2 = ImageButton(Panel4, "PNGButton2", 77, 23, 40, 40, "Retroceder");
  PNGButton2->setImageNormal(LoadUiImage("rewind.png"));
  PNGButton2->setImageOver(LoadUiImage("rewind_over.png"));
  PNGButton3 = ImageButton(Panel4, "PNGButton3", 117, 23, 40, 40, "Stop");
  PNGButton3->setImageNormal(LoadUiImage("stop.png"));
  PNGButton3->setImageOver(LoadUiImage("stop_over.png"));
  PNGButton4 =
      ImageButton(Panel4, "PNGButton4", 157, 23, 40, 40, QString::fromUtf8("Avançar Frame"));
  PNGButton4->setImageNormal(LoadUiImage("step.png"));
  PNGButton4->setImageOver(LoadUiImage("step_over.png"));
  PNGButton5 = ImageButton(Panel4, "PNGButton5", 197, 23, 40, 40, QString::fromUtf8("Avançar 5x"));
  PNGButton5->setImageNormal(LoadUiImage("fast.png"));
  PNGButton5->setImageOver(LoadUiImage("fast_over.png"));
  GroupBox1 = new QFrame(Panel4);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(272, 28, 74, 33);
  Paint(GroupBox1, Qt::black, Qt::white);
  lb_dur_panel_pgm = new QLabel("00:00:00", GroupBox1);
  lb_dur_panel_pgm->setObjectName("lb_dur_panel_pgm");
  lb_dur_panel_pgm->setGeometry(9, 7, 58, 18);
  QFont small_clock = Tahoma(15);
  while (small_clock.pixelSize() > 9 &&
         QFontMetrics(small_clock).horizontalAdvance("00:00:00") > lb_dur_panel_pgm->width()) {
    small_clock.setPixelSize(small_clock.pixelSize() - 1);
  }
  lb_dur_panel_pgm->setFont(small_clock);
  Paint(lb_dur_panel_pgm, Qt::black, Qt::white);

  // Source bar.
  Panel1 = Bar(client, "Panel1", 363, 333, 360, 70, bar_grey);
  ProgressBar1 = Strip(Panel1, "ProgressBar1", 100);
  bot_1 = ImageButton(Panel1, "bot_1", 7, 13, 40, 50, QString());
  bot_1->setCaption("Playlist");
  Paint(bot_1, bar_grey, Qt::white);
  bot_1->setImageNormal(LoadUiImage("source1.png"));
  bot_1->setImageDown(LoadUiImage("source1_down.png"));
  bot_2 = ImageButton(Panel1, "bot_2", 50, 13, 40, 50, QString());
  bot_2->setCaption(QString::fromUtf8("Câmera"));
  Paint(bot_2, bar_grey, Qt::white);
  bot_2->setImageNormal(LoadUiImage("source2.png"));
  bot_2->setImageDown(LoadUiImage("source2_down.png"));

  // Streaming bar, with the writer's status line right of the buttons.
  Panel8 = Bar(client, "Panel8", 725, 333, 360, 69, bar_grey);
  ProgressBar2 = Strip(Panel8, "ProgressBar2", 100);
  Label2 = Text(Panel8, "Label2", "Servidor RTMP:", 9, 16);
  lb_server = Text(Panel8, "lb_server", "server", 89, 16);
  lb_server->setFixedWidth(200);
  bot_Gravar = new QPushButton(kCaptionGravar, Panel8);
  bot_Gravar->setObjectName("bot_Gravar");
  bot_Gravar->setCheckable(true);
  bot_Gravar->setGeometry(296, 12, 58, 20);
  bot_Gravar->setStyleSheet("QPushButton:checked { background: #C02020; color: white; }");
  Label1 = Text(Panel8, "Label1", "Streaming", 9, 40);
  bot_Streaming = new QPushButton("Habilitar", Panel8);
  bot_Streaming->setObjectName("bot_Streaming");
  bot_Streaming->setGeometry(89, 38, 67, 20);
  bot_Config = new QPushButton("Configurar", Panel8);
  bot_Config->setObjectName("bot_Config");
  bot_Config->setGeometry(162, 38, 67, 20);
  lb_stream_status = new QLabel(Panel8);
  lb_stream_status->setObjectName("lb_stream_status");
  lb_stream_status->setGeometry(236, 27, 122, 40);  // three lines of a failure text fit
  lb_stream_status->setWordWrap(true);
  lb_stream_status->setFont(Tahoma(10));
  SetStreamingStatus("", false);

  bot_Gc = new QPushButton("Gc", client);
  bot_Gc->setObjectName("bot_Gc");
  bot_Gc->setVisible(false);

  // Playlist grid.
  gridPlaylist = new TPlaylistGrid(client);
  gridPlaylist->setObjectName("gridPlaylist");
  gridPlaylist->setGeometry(2, 402, 1081, 241);
  gridPlaylist->SetImages(imgPauseSmall, imgLoopSmall);

  UpdateUI_PGM = new QTimer(this);
  UpdateUI_PGM->setObjectName("UpdateUI_PGM");
  UpdateUI_PGM->setInterval(30);

  setWindowIcon(QIcon(QPixmap::fromImage(LoadUiImage("vexto_icon.png"))));
}

void Tform_main::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("Menu");
  QMenu* arquivo = bar->addMenu("Arquivo");
  arquivo->setObjectName("Arquivo1");
  AbrirPlaylist1 = Item(arquivo, "AbrirPlaylist1", "Abrir Playlist");
  SalvarPlaylist1 = Item(arquivo, "SalvarPlaylist1", "Salvar Playlist");
  arquivo->addSeparator()->setObjectName("N3");
  Sair1 = Item(arquivo, "Sair1", "Sair");

  QMenu* config = bar->addMenu(QString::fromUtf8("Configurações"));
  config->setObjectName("Configuraes1");
  Gerais1 = Item(config, "Gerais1", "Gerais");
  QMenu* playlist2 = config->addMenu("Playlist");
  playlist2->setObjectName("Playlist2");
  Audio3 = Check(playlist2, "Audio3", "Audio", false);
  Video3 = Check(playlist2, "Video3", "Video", true);
  QMenu* live2 = config->addMenu("Live");
  live2->setObjectName("Live2");
  Audio4 = Check(live2, "Audio4", "Audio", false);
  Video4 = Check(live2, "Video4", "Video", true);
  QMenu* streaming = bar->addMenu("Streaming");
  streaming->setObjectName("Streaming1");
  Gravar1 = Check(streaming, "Gravar1", kCaptionGravar, false);
  ReconectarAgora1 = Item(streaming, "ReconectarAgora1", kCaptionReconectar);
  Ajuda1 = bar->addAction("Sobre");
  Ajuda1->setObjectName("Ajuda1");

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  Loop1 = Check(PopupMenu1, "Loop1", "Loop", false);
  Pausar1 = Check(PopupMenu1, "Pausar1", "Pausar", false);
  PopupMenu1->addSeparator()->setObjectName("N1");
  Remover1 = Item(PopupMenu1, "Remover1", "Remover");
  Removertodos1 = Item(PopupMenu1, "Removertodos1", "Remover todos");

  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName("PopupMenu2");
  Progressivo1 = Check(PopupMenu2, "Progressivo1", "Progressivo", false);

  PopupMenu3 = new QMenu(this);
  PopupMenu3->setObjectName("PopupMenu3");
  QMenu* playlist1 = PopupMenu3->addMenu("Playlist");
  playlist1->setObjectName("Playlist1");
  Audio1 = Check(playlist1, "Audio1", "Audio", false);
  Video1 = Check(playlist1, "Video1", "Video", true);
  QMenu* live1 = PopupMenu3->addMenu("Live");
  live1->setObjectName("Live1");
  Audio2 = Check(live1, "Audio2", "Audio", false);
  Video2 = Check(live1, "Video2", "Video", true);
}

}  // namespace vexto
