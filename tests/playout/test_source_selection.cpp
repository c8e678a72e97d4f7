// Monitor audio/video choices: the start-up application and the eight toggles, with the real
// settings file.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/playout/playback_fixture.h"

namespace vexto::test {
namespace {

class MonitorChoices : public testing::Test {
 protected:
  void Load(const std::string& ini_text) {
    {
      std::ofstream f(dir_ / "vexto.ini");
      f << ini_text;
    }
    rig_.settings.CreateConfigFile(dir_ / "vexto.ini");
    rig_.settings.carregarVariaveis(
        [this](const SettingsFields& s) { rig_.rt->ApplyStoredMonitorChoices(s); });
  }
  std::string Ini() {
    std::ifstream f(dir_ / "vexto.ini");
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }

  TempDir dir_;
  Rig rig_{false};
};

TEST_F(MonitorChoices, NoPreviewKeysMeansNoTicksAndZeroesToTheMonitors) {
  Load("");
  for (bool tick : rig_.view.menu) EXPECT_FALSE(tick);
  EXPECT_EQ(rig_.playlist_monitor->AV().back(), std::make_pair(0, 0));
  EXPECT_EQ(rig_.camera_monitor->AV().back(), std::make_pair(0, 0));
}

TEST_F(MonitorChoices, TicksOnlyForOneWhileTheMonitorsGetTheValuesAsRead) {
  Load("[Preview]\nPlaylist-Audio=2\nPlaylist-Video=1\nLive-Audio=1\nLive-Video=0\n");
  EXPECT_FALSE(rig_.view.menu[static_cast<int>(eMonitorAV::PlaylistAudio)]);
  EXPECT_TRUE(rig_.view.menu[static_cast<int>(eMonitorAV::PlaylistVideo)]);
  EXPECT_TRUE(rig_.view.menu[static_cast<int>(eMonitorAV::LiveAudio)]);
  EXPECT_FALSE(rig_.view.menu[static_cast<int>(eMonitorAV::LiveVideo)]);
  EXPECT_EQ(rig_.playlist_monitor->AV().back(), std::make_pair(2, 1));
  EXPECT_EQ(rig_.camera_monitor->AV().back(), std::make_pair(1, 0));
}

TEST_F(MonitorChoices, EachToggleTicksBothTwinsAppliesAndWritesItsKey) {
  Load("[Preview]\nPlaylist-Video=1\n");
  auto& rt = *rig_.rt;

  rt.Audio1Click();  // playlist audio on (context menu)
  EXPECT_TRUE(rt.MonitorMenuChecked(eMonitorAV::PlaylistAudio));
  EXPECT_TRUE(rig_.view.menu[static_cast<int>(eMonitorAV::PlaylistAudio)]);
  EXPECT_EQ(rig_.playlist_monitor->AV().back(), std::make_pair(1, 1));
  EXPECT_NE(Ini().find("Playlist-Audio=1"), std::string::npos);

  rt.Audio3Click();  // the main-menu twin toggles the same setting back
  EXPECT_FALSE(rt.MonitorMenuChecked(eMonitorAV::PlaylistAudio));
  EXPECT_EQ(rig_.playlist_monitor->AV().back(), std::make_pair(0, 1));
  EXPECT_NE(Ini().find("Playlist-Audio=0"), std::string::npos);

  rt.Video3Click();
  EXPECT_EQ(rig_.playlist_monitor->AV().back(), std::make_pair(0, 0));
  EXPECT_NE(Ini().find("Playlist-Video=0"), std::string::npos);

  rt.Audio2Click();
  rt.Video4Click();
  EXPECT_EQ(rig_.camera_monitor->AV().back(), std::make_pair(1, 1));
  EXPECT_NE(Ini().find("Live-Audio=1"), std::string::npos);
  EXPECT_NE(Ini().find("Live-Video=1"), std::string::npos);
  rt.Video2Click();
  EXPECT_EQ(rig_.camera_monitor->AV().back(), std::make_pair(1, 0));
  EXPECT_FALSE(rig_.view.menu[static_cast<int>(eMonitorAV::LiveVideo)]);
}

TEST(SourceSwitch, OnlyStoresTheSource) {
  Rig rig(false);
  EXPECT_EQ(rig.rt->entrada.load(), eInput::eLive);
  ISourceSwitch& sw = *rig.rt;
  sw.swPlaylist();
  EXPECT_EQ(rig.rt->entrada.load(), eInput::ePlaylist);
  sw.swLive();
  EXPECT_EQ(rig.rt->entrada.load(), eInput::eLive);
  EXPECT_FALSE(rig.rt->IsPlaying.load());
  EXPECT_EQ(rig.rt->OnAirIndex.load(), -1);
}

}  // namespace
}  // namespace vexto::test
