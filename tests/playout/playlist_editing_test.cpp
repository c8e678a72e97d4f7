// The playlist edits on a list in memory and a recording view.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "playout/playlist_editing.h"

namespace vexto {
namespace {

class RecordingView : public IPlaylistEditingView {
 public:
  int selected = 0;
  int listed = 0, cleared = 0;
  std::vector<std::pair<int, int>> cleared_cells;
  bool loop_checked = false, pause_checked = false;
  std::vector<std::string> informed, asked;
  bool answer = false;
  int SelectedRow() const override { return selected; }
  void SetSelectedRow(int r) override { selected = r; }
  void listar() override { ++listed; }
  void limparGrid() override { ++cleared; }
  void ClearCell(int c, int r) override { cleared_cells.emplace_back(c, r); }
  void SetLoopChecked(bool c) override { loop_checked = c; }
  void SetPauseChecked(bool c) override { pause_checked = c; }
  void Inform(const std::string& t) override { informed.push_back(t); }
  bool AskWarningYesNo(const std::string& t) override {
    asked.push_back(t);
    return answer;
  }
};

class EditingTest : public ::testing::Test {
 protected:
  EditingTest() : access_(media_), editing_(access_, view_, Context()) {}
  PlaylistEditingContext Context() {
    PlaylistEditingContext c;
    c.get_on_air_index = [this] { return on_air_; };
    c.set_on_air_index = [this](int v) { on_air_ = v; };
    c.get_is_playing = [this] { return playing_; };
    c.set_is_playing = [this](bool v) { playing_ = v; };
    c.inserir_pausa = [this] { return inserir_pausa_; };
    c.probe_duration = [this](const std::string& p) {
      probed_.push_back(p);
      return 3725.9;
    };
    c.close_playlist_reader = [this] { ++reader_closed_; };
    c.cue = [this](const std::string& p) { cued_.push_back(p); };
    c.play = [this](const std::string& s) { played_.push_back(s); };
    return c;
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) {
      auto m = std::make_unique<TMidia>("/m/" + std::to_string(i) + ".mp4");
      m->FStatus = std::string(kStatusPronto);
      media_.Add(std::move(m));
    }
  }
  std::vector<std::string> Paths() const {
    std::vector<std::string> out;
    for (int i = 0; i < media_.Count(); ++i) out.push_back(media_.Items(i).FArquivo);
    return out;
  }

  TMediaList media_;
  MediaListAccess access_;
  RecordingView view_;
  int on_air_ = -1;
  bool playing_ = false, inserir_pausa_ = false;
  int reader_closed_ = 0;
  std::vector<std::string> probed_, cued_, played_;
  TPlaylistEditing editing_;
};

TEST(SupportedTypes, OnlyTheFiveLowerCaseExtensionsPass) {
  const struct {
    const char* path;
    bool ok;
  } cases[] = {
      {"/v/a.mp4", true},
      {"/v/a.avi", true},
      {"/v/a.mov", true},
      {"/v/a.mpg", true},
      {"/v/a.wmv", true},
      {"/v/a.AVI", false},
      {"/v/a.Mp4", false},
      {"/v/a.mpeg", false},
      {"/v/a.mp", false},
      {"/v/a", false},
      {"/v.mp4/clip", false},
      {"C:\\v.mp4\\clip", false},
      {"c:clip.mp4", true},
      {"/v/a.mp4;", false},
      {"/v/a.", false},
      {"/v/.mp4", true},
      {"", false},
      {"/v/a.tar.avi", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSupportedFileType(c.path), c.ok) << c.path;
}

TEST_F(EditingTest, UnsupportedFileIsRefusedNamingTheFullPath) {
  editing_.AddFile("/media/show/Intro.AVI");
  ASSERT_EQ(view_.informed.size(), 1u);
  EXPECT_EQ(view_.informed[0], "File /media/show/Intro.AVI is not a supported type");
  EXPECT_TRUE(media_.Count() == 0);
  EXPECT_TRUE(probed_.empty());
}

TEST_F(EditingTest, AddedItemIsReadyWithDurationAndPauseSetting) {
  inserir_pausa_ = true;
  editing_.AddFile("/media/a.mp4");
  ASSERT_EQ(media_.Count(), 1);
  EXPECT_EQ(media_.Items(0).FStatus, kStatusPronto);
  EXPECT_TRUE(media_.Items(0).FPause);
  EXPECT_FALSE(media_.Items(0).FLoop);
  EXPECT_EQ(probed_, std::vector<std::string>{"/media/a.mp4"});
  EXPECT_EQ(view_.listed, 1);
}

TEST_F(EditingTest, ThreeFilesDroppedOnRowTwoLandReversedAboveIt) {
  Fill(4);
  view_.selected = 2;
  editing_.DropFiles({"/d/x.mp4", "/d/bad.txt", "/d/y.mov", "/d/z.avi"});
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/0.mp4", "/m/1.mp4", "/d/z.avi", "/d/y.mov",
                                               "/d/x.mp4", "/m/2.mp4", "/m/3.mp4"}));
  EXPECT_EQ(view_.informed, std::vector<std::string>{"File /d/bad.txt is not a supported type"});
  EXPECT_EQ(view_.selected, 2);
}

TEST(CarryOnAirIndex, FollowsItsItem) {
  const struct {
    int a, s, t, expected;
  } cases[] = {
      {2, 0, 3, 1},   {2, 4, 1, 3}, {2, 2, 5, 5}, {2, 0, 1, 2}, {2, 3, 4, 2},
      {-1, 0, 3, -1}, {2, 2, 2, 2}, {2, 1, 2, 1}, {2, 3, 2, 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TPlaylistEditing::CarryOnAirIndex(c.a, c.s, c.t), c.expected)
        << c.a << " " << c.s << "->" << c.t;
}

TEST_F(EditingTest, DragMovesItemSelectsTargetAndCarriesOnAir) {
  Fill(6);
  on_air_ = 2;
  ASSERT_TRUE(editing_.GridMouseDown(true, 4));
  editing_.GridDrop(1);
  EXPECT_EQ(media_.Items(1).FArquivo, "/m/4.mp4");
  EXPECT_EQ(view_.selected, 1);
  EXPECT_EQ(on_air_, 3);
}

TEST_F(EditingTest, DropBelowLastRowIsRefusedAndChangesNothing) {
  Fill(3);
  on_air_ = 1;
  view_.selected = 0;
  editing_.GridMouseDown(true, 2);
  EXPECT_THROW(editing_.GridDrop(-1), std::out_of_range);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/0.mp4", "/m/1.mp4", "/m/2.mp4"}));
  EXPECT_EQ(on_air_, 1);
  EXPECT_EQ(view_.selected, 0);
}

TEST_F(EditingTest, PressArmsDragOnlyForLeftButtonOnNonEmptyList) {
  EXPECT_FALSE(editing_.GridMouseDown(true, 0));
  Fill(2);
  EXPECT_FALSE(editing_.GridMouseDown(false, 1));
  EXPECT_TRUE(editing_.GridMouseDown(true, -1));
  EXPECT_FALSE(editing_.AcceptsDragFromGrid());
  EXPECT_TRUE(editing_.GridMouseDown(true, 1));
  EXPECT_TRUE(editing_.AcceptsDragFromGrid());
}

TEST_F(EditingTest, RemoveRefusesPlayingAndPausedSilently) {
  Fill(3);
  view_.selected = 1;
  for (std::string_view status : {kStatusReproduzindo, kStatusPausado}) {
    media_.Items(1).FStatus = std::string(status);
    editing_.GridKeyDown(kVkDelete);
    EXPECT_EQ(media_.Count(), 3) << status;
  }
  media_.Items(1).FStatus = std::string(kStatusPreparado);
  editing_.Remover();
  EXPECT_EQ(media_.Count(), 2);
  EXPECT_TRUE(view_.informed.empty());
  EXPECT_EQ(view_.cleared, 0);
}

TEST_F(EditingTest, RemovingTheOnlyItemBlanksTheGrid) {
  Fill(1);
  editing_.Remover();
  EXPECT_TRUE(media_.Count() == 0);
  EXPECT_EQ(view_.cleared, 1);
  editing_.Remover();  // empty: nothing
  EXPECT_EQ(view_.cleared, 1);
}

TEST_F(EditingTest, RemoveAllAsksOnlyWhilePlaying) {
  Fill(3);
  editing_.RemoverTodos();
  EXPECT_TRUE(view_.asked.empty());
  EXPECT_TRUE(media_.Count() == 0);
  EXPECT_EQ(reader_closed_, 0);

  Fill(3);
  playing_ = true;
  view_.answer = false;
  editing_.RemoverTodos();
  ASSERT_EQ(view_.asked.size(), 1u);
  EXPECT_EQ(view_.asked[0], "A reprodução atual será interrompida\r\rDeseja prosseguir ?");
  EXPECT_EQ(media_.Count(), 3);
  EXPECT_TRUE(playing_);

  view_.answer = true;
  editing_.RemoverTodos();
  EXPECT_TRUE(media_.Count() == 0);
  EXPECT_FALSE(playing_);
  EXPECT_EQ(reader_closed_, 1);
}

TEST_F(EditingTest, PTwiceRestoresPauseAndTick) {
  Fill(2);
  view_.selected = 1;
  editing_.GridKeyPress(U'P');
  EXPECT_TRUE(media_.Items(1).FPause);
  EXPECT_TRUE(view_.pause_checked);
  editing_.GridKeyPress(U'p');
  EXPECT_FALSE(media_.Items(1).FPause);
  EXPECT_FALSE(view_.pause_checked);
  EXPECT_EQ(view_.cleared_cells, (std::vector<std::pair<int, int>>{{3, 1}, {3, 1}}));
  EXPECT_EQ(view_.listed, 0);  // only the cell is repainted
  editing_.GridKeyPress(U'l');
  EXPECT_TRUE(media_.Items(1).FLoop);
  EXPECT_TRUE(view_.loop_checked);
}

TEST_F(EditingTest, OnlyAsciiLettersAreFolded) {
  Fill(1);
  // 'p' + 128 or other characters with bit 5 set are compared unchanged.
  for (char32_t c : {char32_t{0xF0}, char32_t{0x170}, char32_t{'0'}, char32_t{0xD0}})
    editing_.GridKeyPress(c);
  EXPECT_FALSE(media_.Items(0).FPause);
  EXPECT_FALSE(media_.Items(0).FLoop);
}

TEST_F(EditingTest, KeysDoNothingOnEmptyList) {
  on_air_ = 0;
  for (int key : {kVkReturn, kVkSpace, kVkDelete}) editing_.GridKeyDown(key);
  editing_.GridKeyPress(U'P');
  EXPECT_TRUE(cued_.empty());
  EXPECT_TRUE(played_.empty());
}

TEST_F(EditingTest, EnterCuesSelectedAndSpacePlaysOnAirOnly) {
  Fill(3);
  view_.selected = 2;
  editing_.GridKeyDown(kVkSpace);  // nothing on air
  EXPECT_TRUE(played_.empty());
  editing_.GridKeyDown(kVkReturn);
  EXPECT_EQ(cued_, std::vector<std::string>{"/m/2.mp4"});
  on_air_ = 1;
  media_.Items(1).FStatus = std::string(kStatusPreparado);
  editing_.GridKeyDown(kVkSpace);
  EXPECT_EQ(played_, std::vector<std::string>{std::string(kStatusPreparado)});
}

TEST_F(EditingTest, MenuTogglesRefreshAndContextMenuSetsTicks) {
  Fill(2);
  view_.selected = 0;
  media_.Items(0).FLoop = true;
  editing_.ContextMenuOpening();
  EXPECT_TRUE(view_.loop_checked);
  EXPECT_FALSE(view_.pause_checked);
  editing_.LoopClick();
  EXPECT_FALSE(media_.Items(0).FLoop);
  EXPECT_FALSE(view_.loop_checked);
  EXPECT_EQ(view_.listed, 1);
  editing_.PausarClick();
  EXPECT_TRUE(media_.Items(0).FPause);
  // With an empty list the ticks keep their last state.
  media_.Clear();
  editing_.ContextMenuOpening();
  EXPECT_TRUE(view_.pause_checked);
}

}  // namespace
}  // namespace vexto
