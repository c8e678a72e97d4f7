// The operator's window in-process, on the offscreen platform, in a temporary folder standing
// for the executable's: start-up, editing through real widget events, menus and both closes.
#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <sstream>

#include "app/form_main.h"
#include "app/fp_control.h"
#include "ui/message_service.h"
#include "core/event_log.h"
#include "engine/media/factory/builtin_classes.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"
#include "ui/playlist_grid.h"
#include "ui/png_button.h"

namespace vexto {
namespace {
using test::MakeColorClip;
using test::ReadFileBytes;
using test::TempDir;

// The log is Windows-1252; the texts checked here are all in its Latin-1 part.
std::vector<std::string> LogLines(const std::filesystem::path& folder) {
  std::vector<std::string> lines;
  for (const std::string& message : test::LogMessages(folder)) {
    lines.push_back(QString::fromLatin1(message).toStdString());
  }
  return lines;
}

struct Message {
  TMessageService::Kind kind;
  std::string text;
};

class FormMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageService::SetScript([this](TMessageService::Kind kind, const std::string& text) {
      messages_.push_back({kind, text});
      return answer_;
    });
    TEventLog(dir_.path()).CreateLogFile("\\vexto.log");
  }
  void TearDown() override {
    form_.reset();
    TMessageService::SetScript(nullptr);
  }

  void Start() {
    MainWindowOptions options;
    options.exe_path = dir_ / "vexto";
    options.end_process = [this](int code) { exit_codes_.push_back(code); };
    options.remote_control = false;
    form_ = std::make_unique<Tform_main>(options);
    form_->FormCreate();
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  // Messages other than the engine's missing classes (monitors not part of this build yet).
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& m : messages_)
      if (m.text.find("ClassID") == std::string::npos) out.push_back(m.text);
    return out;
  }

  std::filesystem::path Clip(const std::string& name) {
    const auto path = dir_ / name;
    if (!std::filesystem::exists(path)) {
      if (name.ends_with(".mp4")) {
        EXPECT_TRUE(MakeColorClip(path, "blue", 1.0));
      } else {
        std::ofstream(path) << "x";
      }
    }
    return path;
  }

  void DropOnWindow(const std::vector<std::filesystem::path>& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& f : files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(f)));
    mime.setUrls(urls);
    const QPointF at(500, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_.get(), &drop);
  }

  void FillList(int n) {
    std::vector<std::filesystem::path> files;
    for (int i = n - 1; i >= 0; --i) files.push_back(Clip("item" + std::to_string(i) + ".mp4"));
    DropOnWindow(files);
    ASSERT_EQ(form_->Runtime().MediaList.Count(), n);
  }

  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (int i = 0; i < form_->Runtime().MediaList.Count(); ++i)
      out.push_back(form_->Runtime().MediaList.Items(i).FNome);
    return out;
  }

  QPoint RowPoint(int row) {
    return form_->gridPlaylist->visualRect(form_->gridPlaylist->model()->index(row, 2)).center();
  }

  TempDir dir_;
  std::unique_ptr<Tform_main> form_;
  std::vector<Message> messages_;
  std::vector<int> exit_codes_;
  bool answer_ = false;
};

TEST_F(FormMainTest, FirstRunWithNoFilesStartsEmptyAndClosesWithCodeZero) {
  Start();
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("vexto.vxt"), std::string::npos) << texts[0];
  auto& rt = form_->Runtime();
  EXPECT_EQ(rt.MediaList.Count(), 0);
  EXPECT_EQ(form_->gridPlaylist->rowCount(), 1);
  EXPECT_EQ(rt.OnAirIndex.load(), -1);
  EXPECT_EQ(rt.entrada.load(), eInput::eLive);
  EXPECT_TRUE(rt.PumpRunning.load());
  EXPECT_FALSE(rt.IsPlaying.load());
  EXPECT_EQ(X87ExceptionMask(), 0x3Fu);
  EXPECT_EQ(SseExceptionMask(), 0x1F80u);
  const auto lines = LogLines(dir_.path());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Iniciando Vexto");
  EXPECT_EQ(lines[1], "Iniciando Comunicação Serial");

  form_->Sair1->trigger();
  EXPECT_EQ(exit_codes_, std::vector<int>{0});
  EXPECT_FALSE(rt.PumpRunning.load());
  EXPECT_EQ(LogLines(dir_.path()).back(), "AVThread Finalizado");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "vexto.vxt"));  // bl_salvar_playlist is off
}

TEST_F(FormMainTest, DefaultPlaylistWithSimOnThirdLineKeepsFirstTwo) {
  const auto a = Clip("a.mp4");
  const auto b = Clip("b.mp4");
  const auto c = Clip("c.mp4");
  std::ofstream(dir_ / "vexto.vxt", std::ios::binary)
      << "0#00:00:01#" << a.string() << "#0#0\r\n"
      << "1#00:00:01#" << b.string() << "#-1#0\r\n"
      << "2#00:00:01#" << c.string() << "#sim#0\r\n";
  Start();
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("sim"), std::string::npos) << texts[0];
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp4", "b.mp4"}));
  EXPECT_TRUE(form_->Runtime().MediaList.Items(1).FPause);
  EXPECT_EQ(form_->gridPlaylist->CellText(2, 1), QString("b.mp4"));
  EXPECT_EQ(form_->gridPlaylist->CellText(0, 0), QString("Pronto"));
  EXPECT_TRUE(form_->Runtime().PumpRunning.load());
}

TEST_F(FormMainTest, ThreeFilesDroppedOnRowTwoLandReversed) {
  Start();
  FillList(4);  // item0..item3 at rows 0..3
  form_->gridPlaylist->SetCurrentRow(2);
  messages_.clear();
  DropOnWindow({Clip("x.mp4"), Clip("notes.txt"), Clip("y.mp4"), Clip("z.mp4")});
  EXPECT_EQ(Names(), (std::vector<std::string>{"item0.mp4", "item1.mp4", "z.mp4", "y.mp4", "x.mp4",
                                               "item2.mp4", "item3.mp4"}));
  EXPECT_EQ(Texts(), std::vector<std::string>{"File " + (dir_ / "notes.txt").string() +
                                              " is not a supported type"});
  EXPECT_EQ(form_->gridPlaylist->rowCount(), 7);
  EXPECT_EQ(form_->gridPlaylist->CellText(2, 5), QString("item2.mp4"));
  // The duration was measured on the probe reader (a 1 s clip).
  EXPECT_TRUE(form_->gridPlaylist->CellText(1, 2).startsWith("00:00:0"));
}

TEST_F(FormMainTest, UnsupportedTypesNameTheFullPath) {
  Start();
  messages_.clear();
  const auto upper = Clip("CLIP.AVI");
  const auto mpeg = Clip("clip.mpeg");
  const auto bare = Clip("clip");
  DropOnWindow({upper, mpeg, bare});
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"File " + upper.string() + " is not a supported type",
                                      "File " + mpeg.string() + " is not a supported type",
                                      "File " + bare.string() + " is not a supported type"}));
  EXPECT_EQ(form_->Runtime().MediaList.Count(), 0);
}

TEST_F(FormMainTest, DraggingRowsCarriesTheOnAirIndex) {
  Start();
  FillList(6);
  struct Case {
    int s, t, expected;
  } cases[] = {{0, 3, 1}, {4, 1, 3}, {2, 5, 5}, {0, 1, 2}};
  for (const auto& c : cases) {
    form_->Runtime().OnAirIndex.store(2);
    QWidget* viewport = form_->gridPlaylist->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, RowPoint(c.s));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, RowPoint(c.s));
    ASSERT_EQ(form_->Editing().DragSourceRow(), c.s);
    const std::string moved = form_->Runtime().MediaList.Items(c.s).FNome;
    QMimeData mime;
    mime.setData("application/x-vexto-grid-row", QByteArray("1"));
    QDragEnterEvent enter(RowPoint(c.s), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent over(RowPoint(c.t), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &over);
    EXPECT_TRUE(over.isAccepted());
    QDropEvent drop(QPointF(RowPoint(c.t)), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(form_->Runtime().OnAirIndex.load(), c.expected) << c.s << "->" << c.t;
    EXPECT_EQ(form_->Runtime().MediaList.Items(c.t).FNome, moved);
    EXPECT_EQ(form_->gridPlaylist->CurrentRow(), c.t);
  }
}

TEST_F(FormMainTest, DeleteKeyRefusesPlayingItemAndRemovesOthers) {
  Start();
  FillList(3);
  messages_.clear();
  form_->gridPlaylist->setFocus();
  form_->gridPlaylist->SetCurrentRow(1);
  form_->Runtime().MediaList.Items(1).FStatus = "Reproduzindo";
  QTest::keyClick(form_->gridPlaylist, Qt::Key_Delete);
  EXPECT_EQ(form_->Runtime().MediaList.Count(), 3);
  form_->Runtime().MediaList.Items(1).FStatus = "Pronto";
  form_->gridPlaylist->SetCurrentRow(2);
  QTest::keyClick(form_->gridPlaylist, Qt::Key_Delete);
  EXPECT_EQ(Names(), (std::vector<std::string>{"item0.mp4", "item1.mp4"}));
  EXPECT_EQ(form_->gridPlaylist->CurrentRow(), 1);  // selection moved to the new last row
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FormMainTest, RemoveAllAsksOnlyWhilePlaying) {
  Start();
  FillList(2);
  messages_.clear();
  form_->Removertodos1->trigger();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(form_->Runtime().MediaList.Count(), 0);
  EXPECT_EQ(form_->gridPlaylist->rowCount(), 1);
  EXPECT_TRUE(form_->gridPlaylist->CellText(2, 0).isEmpty());

  FillList(2);
  form_->Runtime().IsPlaying.store(true);
  answer_ = false;
  form_->Removertodos1->trigger();
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "A reprodução atual será interrompida\r\rDeseja prosseguir ?");
  EXPECT_EQ(form_->Runtime().MediaList.Count(), 2);
  answer_ = true;
  form_->Removertodos1->trigger();
  EXPECT_EQ(form_->Runtime().MediaList.Count(), 0);
  EXPECT_FALSE(form_->Runtime().IsPlaying.load());
}

TEST_F(FormMainTest, PTwiceRestoresPauseFlagAndTick) {
  Start();
  FillList(2);
  form_->gridPlaylist->setFocus();
  form_->gridPlaylist->SetCurrentRow(1);
  QTest::keyClick(form_->gridPlaylist, Qt::Key_P);
  EXPECT_TRUE(form_->Runtime().MediaList.Items(1).FPause);
  EXPECT_TRUE(form_->Pausar1->isChecked());
  QTest::keyClick(form_->gridPlaylist, Qt::Key_P, Qt::ShiftModifier);
  EXPECT_FALSE(form_->Runtime().MediaList.Items(1).FPause);
  EXPECT_FALSE(form_->Pausar1->isChecked());
  QTest::keyClick(form_->gridPlaylist, Qt::Key_L);
  EXPECT_TRUE(form_->Runtime().MediaList.Items(1).FLoop);
  EXPECT_TRUE(form_->Loop1->isChecked());
  // The grid draws the loop picture at +10,+10 of the cell on the selection colour.
  QApplication::processEvents();
  const QRect cell = form_->gridPlaylist->visualRect(form_->gridPlaylist->model()->index(1, 4));
  const QImage shot = form_->gridPlaylist->viewport()->grab().toImage();
  EXPECT_EQ(shot.pixelColor(cell.topLeft() + QPoint(10 + 8, 10 + 1)), QColor(Qt::white));
  EXPECT_NE(shot.pixelColor(cell.topLeft() + QPoint(4, 4)), QColor(Qt::white));
}

TEST_F(FormMainTest, SpaceAndPlayButtonWithNothingOnAirDoNothing) {
  Start();
  FillList(2);
  messages_.clear();
  form_->gridPlaylist->setFocus();
  QTest::keyClick(form_->gridPlaylist, Qt::Key_Space);
  QTest::mouseClick(form_->botPlayPGM, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_TRUE(Texts().empty());
  EXPECT_FALSE(form_->Runtime().IsPlaying.load());
  EXPECT_EQ(form_->Runtime().MediaList.Items(0).FStatus, "Pronto");
}

TEST_F(FormMainTest, TwinAudioVideoItemsShareTheirTicksAndWriteTheKey) {
  Start();
  EXPECT_FALSE(form_->Video1->isChecked());  // no "Preview" keys: all unmarked
  form_->Video3->trigger();
  EXPECT_TRUE(form_->Video1->isChecked());
  EXPECT_TRUE(form_->Video3->isChecked());
  form_->Audio2->trigger();
  EXPECT_TRUE(form_->Audio4->isChecked());
  form_->Audio2->trigger();
  EXPECT_FALSE(form_->Audio4->isChecked());
  const std::string ini = ReadFileBytes(dir_ / "vexto.ini");
  EXPECT_NE(ini.find("Playlist-Video=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Live-Audio=0"), std::string::npos) << ini;
}

TEST_F(FormMainTest, TitleBarCloseRunsTheSameSequenceAndSavesWhenAsked) {
  std::ofstream(dir_ / "vexto.ini") << "[playlist]\r\nsalvar_playlist=1\r\n";
  Start();
  FillList(2);
  form_->close();
  EXPECT_EQ(exit_codes_, std::vector<int>{0});
  EXPECT_FALSE(form_->Runtime().PumpRunning.load());
  EXPECT_EQ(LogLines(dir_.path()).back(), "AVThread Finalizado");
  const std::string saved = ReadFileBytes(dir_ / "vexto.vxt");
  EXPECT_NE(saved.find("item1.mp4"), std::string::npos) << saved;
  form_->close();  // a second close does nothing
  EXPECT_EQ(exit_codes_.size(), 1u);
}

TEST_F(FormMainTest, StreamFailuresReachTheEventLogOncePerReason) {
  // The real engine this time, stream writer included (the other tests run without it).
  media::RegisterBuiltInEngineClasses();
  // A server that is not there: the writer is refused, retries, and is refused again.
  std::ofstream(dir_ / "vexto.ini")
      << "[rtmp]\r\nurl_servidor=rtmp://127.0.0.1:" << test::FreeLoopbackPort()
      << "/live\r\nchave_streaming=k\r\n";
  Start();
  QTest::mouseClick(form_->bot_Streaming, Qt::LeftButton);
  const auto failures = [&] {
    int n = 0;
    for (const std::string& line : LogLines(dir_.path())) n += line.starts_with("Streaming: falha");
    return n;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return failures() >= 1; }, 10000));
  QTest::qWait(3500);  // two more attempts, refused for the same reason
  EXPECT_EQ(failures(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form_->lb_stream_status->text().isEmpty(); }, 2000));
  form_->close();
  EXPECT_EQ(LogLines(dir_.path()).back(), "AVThread Finalizado");
}

TEST_F(FormMainTest, LayoutMatchesTheConsole) {
  Start();
  EXPECT_EQ(form_->windowTitle(), "Vexto 1.3");
  EXPECT_EQ(form_->centralWidget()->size(), QSize(1085, 643));
  const struct {
    QWidget* w;
    QRect r;
  } cases[] = {
      {form_->Panel6, {0, 0, 1083, 82}},
      {form_->durEvento, {372, 0, 349, 77}},
      {form_->Panel2, {2, 84, 360, 14}},
      {form_->Panel3, {363, 84, 360, 14}},
      {form_->Panel5, {725, 84, 360, 14}},
      {form_->panel_Monitor_PGM, {2, 100, 360, 233}},
      {form_->panel_Monitor_PVW, {363, 100, 360, 233}},
      {form_->panel_Monitor_OUT, {725, 100, 360, 233}},
      {form_->Panel4, {2, 333, 360, 70}},
      {form_->Panel1, {363, 333, 360, 70}},
      {form_->Panel8, {725, 333, 360, 69}},
      {form_->gridPlaylist, {2, 402, 1081, 241}},
      {form_->trackBarPGM, {-5, 7, 368, 19}},
      {form_->botPlayPGM, {5, 23, 40, 40}},
      {form_->PNGButton5, {197, 23, 40, 40}},
      {form_->GroupBox1, {272, 28, 74, 33}},
      {form_->bot_1, {7, 13, 40, 50}},
      {form_->bot_2, {50, 13, 40, 50}},
      {form_->bot_Streaming, {89, 38, 67, 20}},
      {form_->bot_Config, {162, 38, 67, 20}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.w->geometry(), c.r) << c.w->objectName().toStdString();
  // The status line fits inside the streaming bar.
  EXPECT_TRUE(form_->Panel8->rect().contains(form_->lb_stream_status->geometry()));
  EXPECT_EQ(form_->durEvento->text(), "00:00:00:00");
  EXPECT_EQ(form_->lb_dur_panel_pgm->text(), "00:00:00");
  EXPECT_EQ(form_->Panel2->text(), " Playlist");
  EXPECT_EQ(form_->Panel5->text(), " PGM ");
  EXPECT_EQ(form_->botPlayPGM->toolTip(), "Play / Pause [espaço]");
  EXPECT_EQ(form_->PNGButton4->toolTip(), "Avançar Frame");
  EXPECT_EQ(form_->bot_2->Caption(), "Câmera");
  EXPECT_EQ(form_->trackBarPGM->maximum(), 100);
  EXPECT_EQ(form_->pb_PGM->maximum(), 200);
  EXPECT_EQ(form_->UpdateUI_PGM->interval(), 30);
  EXPECT_FALSE(form_->UpdateUI_PGM->isActive());
  EXPECT_FALSE(form_->bot_Gc->isVisible());
  EXPECT_EQ(form_->gridPlaylist->columnWidth(2), 395);
  EXPECT_EQ(form_->gridPlaylist->rowHeight(0), 35);
  EXPECT_EQ(form_->panel_Monitor_PGM->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(form_->panel_Monitor_OUT->contextMenuPolicy(), Qt::DefaultContextMenu);
  QStringList grid_menu;
  for (QAction* a : form_->PopupMenu1->actions()) grid_menu << a->text();
  EXPECT_EQ(grid_menu, (QStringList{"Loop", "Pausar", "", "Remover", "Remover todos"}));
}

TEST_F(FormMainTest, ProgressivoTogglesItsTick) {
  Start();
  form_->Progressivo1->trigger();
  EXPECT_TRUE(form_->Progressivo1->isChecked());
  EXPECT_TRUE(form_->Runtime().ShowElapsed.load());
  form_->Progressivo1->trigger();
  EXPECT_FALSE(form_->Progressivo1->isChecked());
  EXPECT_FALSE(form_->Runtime().ShowElapsed.load());
}

}  // namespace
}  // namespace vexto
