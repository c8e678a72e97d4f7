// The frame pump's own behaviour: idle passes, its end, errors, camera replacement, real-time
// pacing and a stress run against the GUI thread.
#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "tests/playout/playback_fixture.h"

namespace vexto::test {
namespace {

using namespace std::chrono_literals;

TEST(Pump, IdleShowsTheCameraAndLogsItsEndOnce) {
  Rig rig;
  rig.rt->StartPump(std::make_unique<FastClock>(4));
  ASSERT_TRUE(RunUntil([&] { return rig.camera_monitor->Count() > 20; }, 5000ms));
  rig.rt->swPlaylist();  // nothing playing: the program gets nil frames
  const size_t n = rig.program_monitor->Count();
  ASSERT_TRUE(RunUntil([&] { return rig.program_monitor->Count() > n + 5; }, 2000ms));
  rig.rt->StopPump();
  const auto cam = rig.camera_monitor->Records();
  const auto pgm = rig.program_monitor->Records();
  EXPECT_FALSE(cam.back().nil);
  EXPECT_EQ(pgm.front().width, cam.front().width);  // eLive at start: the camera
  EXPECT_TRUE(pgm.back().nil);
  EXPECT_EQ(pgm.back().a, -1);
  EXPECT_EQ(rig.playlist_monitor->Count(), 0u);
  const auto log = rig.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "AVThread Finalizado"), 1);
  rig.rt->StopPump();
  EXPECT_EQ(std::count(log.begin(), log.end(), "AVThread Finalizado"), 1);
}

TEST(Pump, StreamsTheProgramOnlyWhileStreaming) {
  Rig rig;
  rig.rt->StartPump(std::make_unique<FastClock>(4));
  RunFor(100ms);
  EXPECT_EQ(rig.writer->Count(), 0u);
  rig.rt->IsStreaming = true;
  ASSERT_TRUE(RunUntil([&] { return rig.writer->Count() > 5; }, 2000ms));
  EXPECT_FALSE(rig.writer->Records().back().nil);
}

// A camera whose pulls fail now and then.
class FlakyCamera final : public media::IMFLive {
 public:
  void PullFrame(media::M_AV_PROPS&, double, int, int, media::IMFFramePtr& f,
                 const std::string&) override {
    f = nullptr;
    if (++pulls % 3 == 0) throw media::EngineError("Falha na câmera");
  }
  void CountCaptureDevices(int, int& n) override { n = 0; }
  void GetCaptureDeviceName(int, int, std::string&, int&) override {}
  void ChooseCaptureDevice(int, int, int) override {}
  void CountPropertyChoices(const std::string&, int& n) override { n = 0; }
  void GetPropertyChoice(const std::string&, int, std::string&, std::string&) override {}
  void ChoosePropertyChoice(const std::string&, int) override {}
  void CountVideoFormats(int, int& n) override { n = 0; }
  void GetVideoFormat(int, int, media::M_VID_PROPS&, std::string&) override {}
  void ApplyVideoFormat(int, const media::M_VID_PROPS&) override {}
  void GetCurrentVideoFormat(int, media::M_VID_PROPS&, int&, std::string&) override {}
  std::atomic<int> pulls{0};
};

TEST(Pump, AnErrorInAPassIsLoggedAndThePumpGoesOn) {
  Rig rig(false);
  auto camera = std::make_shared<FlakyCamera>();
  rig.rt->ReplaceCameraSource(camera);
  rig.rt->StartPump(std::make_unique<UnpacedProgramClock>());
  ASSERT_TRUE(RunUntil([&] { return camera->pulls.load() > 30; }, 5000ms));
  rig.rt->StopPump();
  const PumpStats s = rig.rt->Pump()->Stats();
  EXPECT_GE(s.errors, 9);
  EXPECT_GT(s.passes, s.errors);
  const auto log = rig.Log();
  EXPECT_GE(std::count(log.begin(), log.end(), "Falha na câmera"), 9);
  EXPECT_EQ(log.back(), "AVThread Finalizado");
}

TEST(Pump, CameraSourceReplacedWhileThePumpRuns) {
  Rig rig;
  rig.rt->StartPump(std::make_unique<UnpacedProgramClock>());
  for (int i = 0; i < 20; ++i) {
    auto camera = media::CreateEngineInterface<media::IMFLive>(media::CLSID_MFLive);
    int n = 0;
    camera->CountCaptureDevices(media::kCaptureVideo, n);
    camera->ChooseCaptureDevice(media::kCaptureVideo, n - 1, 0);
    rig.rt->ReplaceCameraSource(camera);
    RunFor(10ms);
  }
  rig.rt->ReplaceCameraSource(nullptr);
  const size_t n = rig.camera_monitor->Count();
  ASSERT_TRUE(RunUntil([&] { return rig.camera_monitor->Count() > n + 3; }, 2000ms));
  EXPECT_TRUE(rig.camera_monitor->Records().back().nil);
  EXPECT_EQ(rig.rt->Pump()->Stats().errors, 0);
}

TEST(Pump, RealTimePacingAtTheProgramRate) {
  Rig rig;
  rig.AddItems({TestClips().red});
  rig.Cue(0);
  rig.rt->swPlaylist();
  rig.rt->StartPump();  // the real 29.97 clock
  rig.rt->botPlayPGMClick();
  const auto t0 = std::chrono::steady_clock::now();
  const int64_t p0 = rig.rt->Pump()->Stats().passes;
  RunFor(1000ms);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double rate = static_cast<double>(rig.rt->Pump()->Stats().passes - p0) / seconds;
  EXPECT_NEAR(rate, 29.97, SlowFactor() > 1 ? 6.0 : 2.0);
  // The clock follows the item in real time.
  EXPECT_NEAR(rig.view.progress_position, 10, SlowFactor() > 1 ? 5 : 2);
}

TEST(Pump, StressGuiCommandsAgainstAnUnpacedPump) {
  int seconds = 8;
  if (const char* env = std::getenv("VEXTO_PLAYBACK_STRESS_SECONDS")) seconds = std::atoi(env);
  const Clips& c = TestClips();
  Rig rig;
  rig.AddItems({c.red, c.green, c.blue, c.red});
  rig.rt->StartPump(std::make_unique<UnpacedProgramClock>());
  std::mt19937 rng(12345);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int commands = 0;
  while (std::chrono::steady_clock::now() < end) {
    TPlaybackRuntime& rt = *rig.rt;
    const int count = rt.MediaList.Count();
    const int row = static_cast<int>(rng() % static_cast<unsigned>(count));
    try {
      switch (rng() % 12) {
        case 0:
          rig.Cue(row);
          break;
        case 1:
        case 2:
          rt.botPlayPGMClick();
          break;
        case 3:
          if (rt.OnAirIndex.load() >= 0) rt.PNGButton3Click();
          break;
        case 4:
          rt.PNGButton4Click();
          break;
        case 5:
          rt.SeekBarMoved(static_cast<int>(rng() % 101));
          break;
        case 6:
          rig.Item(row).FLoop = !rig.Item(row).FLoop;
          rt.NotifyPlaylistChanged();
          break;
        case 7:
          rig.Item(row).FPause = !rig.Item(row).FPause;
          rt.NotifyPlaylistChanged();
          break;
        case 8:
          if (rng() % 2) {
            rt.swLive();
          } else {
            rt.swPlaylist();
          }
          break;
        case 9:
          rt.IsStreaming = !rt.IsStreaming.load();
          break;
        case 10:
          if (count < 6) {
            rig.AddItems({c.green});
          } else if (rt.OnAirIndex.load() < count - 1) {
            rt.MediaList.Delete(count - 1);
            rt.NotifyPlaylistChanged();
          }
          break;
        default:
          rt.Progressivo1Click();
          break;
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    ++commands;
    RunFor(std::chrono::milliseconds(rng() % 15));
  }
  RunFor(100ms);
  // Only the on-air item may read anything but "Pronto".
  const int on_air = rig.rt->OnAirIndex.load();
  for (int i = 0; i < rig.rt->MediaList.Count(); ++i) {
    if (i != on_air) {
      EXPECT_EQ(rig.Item(i).FStatus, "Pronto") << "item " << i;
    }
  }
  const int64_t passes = rig.rt->Pump()->Stats().passes;
  RunFor(50ms);
  EXPECT_GT(rig.rt->Pump()->Stats().passes, passes);  // still pumping
  EXPECT_EQ(rig.rt->Pump()->Stats().errors, 0);
  EXPECT_GT(commands, 100);
}

}  // namespace
}  // namespace vexto::test
