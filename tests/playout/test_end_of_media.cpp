// End of media with the real reader: loop, pause, automatic advance and the last item, watched
// frame by frame on the program output.
#include <gtest/gtest.h>

#include "tests/playout/playback_fixture.h"

namespace vexto::test {
namespace {

using namespace std::chrono_literals;

struct Gap {
  bool found = false;
  int lost = 0;
  int repeated = 0;
};

// The hand-over on `records` from the last frame of clip `from` (end-of-media flag) to the
// first frames of clip `to`, starting the search at `start`.
Gap MeasureGap(const std::vector<PushRecord>& records, int from, int to, size_t start = 0) {
  Gap g;
  size_t i = start;
  while (i < records.size() &&
         !(ClipOf(records[i]) == from && (records[i].flags & media::eMFF_EndOfMedia))) {
    ++i;
  }
  if (i + 3 >= records.size()) return g;
  const PushRecord& last = records[i];
  size_t j = i + 1;
  while (j < records.size() &&
         (records[j].nil || (ClipOf(records[j]) == from && records[j].t == last.t))) {
    ++g.repeated;
    ++j;
  }
  if (j >= records.size() || ClipOf(records[j]) != to) return g;
  g.lost += static_cast<int>(FrameIndex(records[j]));
  const PushRecord& first = records[j];
  size_t k = j + 1;
  while (k < records.size() && (records[k].nil || records[k].t == first.t)) {
    ++g.repeated;
    ++k;
  }
  if (k >= records.size() || ClipOf(records[k]) != to) return g;
  g.lost += static_cast<int>(FrameIndex(records[k]) - FrameIndex(first) - 1);
  g.found = true;
  return g;
}

class EndOfMedia : public testing::Test {
 protected:
  void Start(const std::vector<std::string>& files) {
    rig_.AddItems(files);
    rig_.Cue(0);
    rig_.rt->swPlaylist();
    rig_.rt->StartPump(std::make_unique<FastClock>(2));
    rig_.rt->botPlayPGMClick();
  }
  Rig rig_;
};

TEST_F(EndOfMedia, ThreeItemsAdvanceWithoutAGapAndTheLastOneEndsOffAir) {
  const Clips& c = TestClips();
  // Alerts in the last second only: each item ends red, and the next starts white and stays so
  // for a second, whenever the clock's timer ticks around the advance.
  rig_.settings.int_alerta_seg = 1;
  rig_.settings.int_alerta_critico_seg = 1;
  Start({c.red, c.green, c.blue});
  ASSERT_TRUE(RunUntil([&] { return rig_.rt->OnAirIndex.load() == 1; }, 10000ms));
  // The advance as the operator sees it.
  EXPECT_EQ(rig_.Item(0).FStatus, "Pronto");
  EXPECT_EQ(rig_.Item(1).FStatus, "Reproduzindo");
  EXPECT_EQ(rig_.Item(2).FStatus, "Pronto");
  EXPECT_EQ(rig_.view.selected_row, 1);
  EXPECT_TRUE(rig_.rt->IsPlaying.load());
  EXPECT_EQ(rig_.view.button, "Pause");
  EXPECT_TRUE(rig_.view.timer_enabled);
  EXPECT_EQ(rig_.view.clock_color, clWhite);

  ASSERT_TRUE(RunUntil([&] { return rig_.rt->OnAirIndex.load() == -1; }, 10000ms));
  EXPECT_FALSE(rig_.rt->IsPlaying.load());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig_.Item(i).FStatus, "Pronto");
  EXPECT_EQ(rig_.view.cells[2], "Pronto");
  EXPECT_EQ(rig_.view.button, "Play");
  EXPECT_TRUE(rig_.view.timer_enabled);  // the last item leaves the timer running

  const auto program = rig_.program_monitor->Records();
  for (auto [from, to] : {std::pair{0, 1}, std::pair{1, 2}}) {
    SCOPED_TRACE(testing::Message() << "advance " << from << " -> " << to);
    const Gap g = MeasureGap(program, from, to);
    ASSERT_TRUE(g.found);
    EXPECT_EQ(g.lost, 0);
    EXPECT_LE(g.repeated, 1);
  }
  // Each item played whole: 60 program frames of 2 s, the last one flagged.
  for (int clip = 0; clip < 3; ++clip) {
    int64_t max_index = -1;
    int flagged = 0;
    for (const PushRecord& r : program) {
      if (ClipOf(r) != clip) continue;
      max_index = std::max(max_index, FrameIndex(r));
      if (r.flags & media::eMFF_EndOfMedia) ++flagged;
    }
    EXPECT_EQ(max_index, 59);
    EXPECT_EQ(flagged, 1);
  }
  // The stream was off: nothing reached the writer.
  EXPECT_EQ(rig_.writer->Count(), 0u);
}

TEST_F(EndOfMedia, LoopRestartsAtOnceAndBothFlagsLoop) {
  const Clips& c = TestClips();
  for (bool pause_too : {false, true}) {
    SCOPED_TRACE(pause_too ? "loop and pause" : "loop");
    Rig rig;
    rig.AddItems({c.red, c.green});
    rig.Item(0).FLoop = true;
    rig.Item(0).FPause = pause_too;
    rig.rt->NotifyPlaylistChanged();
    rig.Cue(0);
    rig.rt->swPlaylist();
    rig.rt->StartPump(std::make_unique<FastClock>(2));
    rig.rt->botPlayPGMClick();
    rig.rt->SeekBarMoved(10);  // the bar elsewhere: the loop puts it back without a late seek
    ASSERT_TRUE(RunUntil(
        [&] {
          const auto r = rig.program_monitor->Records();
          return MeasureGap(r, 0, 0).found;
        },
        10000ms));
    const Gap g = MeasureGap(rig.program_monitor->Records(), 0, 0);
    EXPECT_EQ(g.lost, 0);
    EXPECT_LE(g.repeated, 1);
    RunFor(100ms);
    EXPECT_EQ(rig.Item(0).FStatus, "Reproduzindo");
    EXPECT_EQ(rig.Item(1).FStatus, "Pronto");
    EXPECT_EQ(rig.rt->OnAirIndex.load(), 0);
    EXPECT_TRUE(rig.rt->IsPlaying.load());
    EXPECT_EQ(rig.view.seek_bar_shown, 0);
    EXPECT_EQ(rig.rt->SeekBarPosition(), 0);
  }
}

TEST_F(EndOfMedia, PauseFlagStopsOnTheItemAndPlayStartsItAgain) {
  const Clips& c = TestClips();
  rig_.AddItems({c.red, c.green});
  rig_.Item(0).FPause = true;
  rig_.rt->NotifyPlaylistChanged();
  rig_.Cue(0);
  rig_.rt->swPlaylist();
  rig_.rt->StartPump(std::make_unique<FastClock>(2));
  rig_.rt->botPlayPGMClick();
  ASSERT_TRUE(RunUntil([&] { return rig_.Item(0).FStatus == "Pausado"; }, 10000ms));
  EXPECT_FALSE(rig_.rt->IsPlaying.load());
  EXPECT_EQ(rig_.view.cells[0], "Pausado");
  EXPECT_FALSE(rig_.view.timer_enabled);
  EXPECT_EQ(rig_.view.clock_color, clWhite);
  EXPECT_EQ(rig_.rt->OnAirIndex.load(), 0);
  EXPECT_EQ(rig_.Item(1).FStatus, "Pronto");
  EXPECT_EQ(rig_.rt->PgmState.m_dblFrameRequest.load(), 0.0);

  const size_t n = rig_.playlist_monitor->Count();
  rig_.rt->botPlayPGMClick();
  ASSERT_TRUE(RunUntil([&] { return rig_.playlist_monitor->Count() > n + 1; }, 2000ms));
  const auto r = rig_.playlist_monitor->Records();
  EXPECT_EQ(ClipOf(r[n]), 0);
  EXPECT_EQ(FrameIndex(r[n]), 0);
  EXPECT_EQ(rig_.Item(0).FStatus, "Reproduzindo");
}

TEST_F(EndOfMedia, AnEditAfterTheReaderSwapStillCuesTheRealNextItem) {
  const Clips& c = TestClips();
  Start({c.red, c.green, c.blue});
  // Replace the next item just before the end without telling the runtime: the clock tick's
  // snapshot refresh or the GUI-side check picks up the change.
  ASSERT_TRUE(RunUntil([&] { return rig_.playlist_monitor->Count() > 30; }, 10000ms));
  rig_.rt->MediaList.Delete(1);
  ASSERT_TRUE(RunUntil([&] { return rig_.rt->OnAirIndex.load() == 1; }, 10000ms));
  RunFor(200ms);
  EXPECT_EQ(rig_.Item(1).FArquivo, c.blue);
  EXPECT_EQ(rig_.Item(1).FStatus, "Reproduzindo");
  const auto r = rig_.playlist_monitor->Records();
  EXPECT_EQ(ClipOf(r.back()), 2);
}

TEST_F(EndOfMedia, CameraOnTheProgramWhileTheItemPlaysAndAdvances) {
  const Clips& c = TestClips();
  Start({c.red, c.green});
  ASSERT_TRUE(RunUntil([&] { return rig_.playlist_monitor->Count() > 10; }, 10000ms));
  ASSERT_TRUE(RunUntil([&] { return rig_.view.progress_position > 0; }, 2000ms));

  const size_t at_switch = rig_.program_monitor->Count();
  rig_.rt->swLive();
  ASSERT_TRUE(RunUntil([&] { return rig_.program_monitor->Count() > at_switch + 5; }, 2000ms));
  {
    const auto r = rig_.program_monitor->Records();
    // At most the pass in progress still carries the playlist; then the camera.
    size_t first_camera = at_switch;
    while (first_camera < r.size() && ClipOf(r[first_camera]) == 0) ++first_camera;
    EXPECT_LE(first_camera, at_switch + 1);
    for (size_t i = first_camera; i < r.size(); ++i) {
      EXPECT_FALSE(r[i].nil);
      EXPECT_EQ(ClipOf(r[i]), -1);
    }
  }
  // The clock stands still on the camera.
  RunFor(60ms);
  const std::string frozen = rig_.view.clock_text;
  const int frozen_progress = rig_.view.progress_position;
  RunFor(200ms);
  EXPECT_EQ(rig_.view.clock_text, frozen);
  EXPECT_EQ(rig_.view.progress_position, frozen_progress);

  // The playlist goes on and advances underneath.
  ASSERT_TRUE(RunUntil([&] { return rig_.rt->OnAirIndex.load() == 1; }, 10000ms));
  EXPECT_EQ(rig_.Item(1).FStatus, "Reproduzindo");

  const size_t back = rig_.program_monitor->Count();
  rig_.rt->swPlaylist();
  ASSERT_TRUE(RunUntil([&] { return rig_.program_monitor->Count() > back + 3; }, 2000ms));
  EXPECT_EQ(ClipOf(rig_.program_monitor->Records().back()), 1);
  ASSERT_TRUE(RunUntil([&] { return rig_.view.clock_text != frozen; }, 2000ms));
}

}  // namespace
}  // namespace vexto::test
