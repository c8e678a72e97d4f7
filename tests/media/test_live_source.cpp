// The live source with its built-in test source: lists, pulls, audio accounting, choices made
// while another thread pulls, and replacing the object under a puller.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/live/capture_devices.h"
#include "engine/media/live/live_source.h"
#include "engine/media/live/test_pattern.h"
#include "tests/media/pulse_server.h"
#include "tests/support/test_support.h"

namespace vexto::media {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<IMFLive> NewLive() {
  return QueryEngineInterface<IMFLive>(MakeLiveSource(), CLSID_MFLive);
}

int LastIndex(IMFLive& live, int category) {
  int count = 0;
  live.CountCaptureDevices(category, count);
  return count - 1;
}

// The test source chosen for video (and the tone for audio when asked).
std::shared_ptr<IMFLive> TestSourceLive(bool with_tone) {
  auto live = NewLive();
  live->ChooseCaptureDevice(kCaptureVideo, LastIndex(*live, kCaptureVideo), 0);
  live->ChooseCaptureDevice(kCaptureAudio, with_tone ? LastIndex(*live, kCaptureAudio) : -1, 0);
  return live;
}

IMFFramePtr Pull(IMFLive& live) {
  M_AV_PROPS props;
  IMFFramePtr frame;
  live.PullFrame(props, -1.0, -1, -1, frame, "");
  return frame;
}

// Pulls until a frame with a picture of the given size comes (the capture thread needs a
// moment after a choice, longer under a sanitizer on a loaded machine); nullptr after 10 s.
IMFFramePtr PullPicture(IMFLive& live, int width, int height) {
  for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(5ms)) {
    IMFFramePtr f = Pull(live);
    if (f && f->Video() != nullptr && f->Width() == width && f->Height() == height) return f;
  }
  return nullptr;
}

bool SamePicture(const AVFrame* a, const AVFrame* b) {
  for (int y = 0; y < a->height; ++y) {
    if (std::memcmp(a->data[0] + static_cast<ptrdiff_t>(y) * a->linesize[0],
                    b->data[0] + static_cast<ptrdiff_t>(y) * b->linesize[0],
                    static_cast<size_t>(a->width)) != 0) {
      return false;
    }
  }
  return true;
}

TEST(LiveSourceLists, TestSourcesComeLastInBothLists) {
  auto live = NewLive();
  for (const auto& [category, expected] : {std::pair{kCaptureVideo, std::string(kTestVideoName)},
                                           std::pair{kCaptureAudio, std::string(kTestAudioName)}}) {
    int count = 0;
    live->CountCaptureDevices(category, count);
    ASSERT_GE(count, 1);
    std::string name;
    int busy = -1;
    live->GetCaptureDeviceName(category, count - 1, name, busy);
    EXPECT_EQ(name, expected);
    EXPECT_EQ(busy, 0);
    live->GetCaptureDeviceName(category, count, name, busy);
    EXPECT_EQ(name, "");
  }
  EXPECT_EQ(std::string(kTestVideoName), "Gerador de Teste (barras)");
  EXPECT_EQ(std::string(kTestAudioName), "Gerador de Teste (tom 1 kHz)");
}

TEST(LiveSourceLists, TestSourceHasOneLineAndItsFormats) {
  auto live = TestSourceLive(false);
  int lines = 0;
  live->CountPropertyChoices("line-in", lines);
  ASSERT_EQ(lines, 1);
  std::string text, name;
  live->GetPropertyChoice("line-in", 0, text, name);
  EXPECT_EQ(name, "Interna");
  live->CountPropertyChoices("no-such-property", lines);
  EXPECT_EQ(lines, 0);

  int formats = 0;
  live->CountVideoFormats(0, formats);
  ASSERT_EQ(formats, 4);
  const char* expected[] = {"1280x720 29.97 fps yuv420p", "1920x1080 29.97 fps yuv420p",
                            "640x360 29.97 fps yuv420p", "1280x720 25 fps yuv420p"};
  for (int i = 0; i < formats; ++i) {
    M_VID_PROPS props;
    live->GetVideoFormat(0, i, props, name);
    EXPECT_EQ(name, expected[i]);
    EXPECT_EQ(props.nIndex, i);
    EXPECT_EQ(props.strPixelFormat, "yuv420p");
  }
  M_VID_PROPS current;
  int index = -2;
  live->GetCurrentVideoFormat(0, current, index, name);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(name, expected[0]);

  M_VID_PROPS outside;
  live->GetVideoFormat(0, -1, outside, name);
  EXPECT_EQ(outside.nWidth, 0);
  EXPECT_EQ(name, "");
}

TEST(LiveSourceLists, NoDeviceChosenHasNoLinesOrFormats) {
  auto live = NewLive();
  live->ChooseCaptureDevice(kCaptureVideo, -1, 0);
  int lines = -1, formats = -1, index = 0;
  live->CountPropertyChoices("line-in", lines);
  live->CountVideoFormats(0, formats);
  M_VID_PROPS props;
  std::string name = "x";
  live->GetCurrentVideoFormat(0, props, index, name);
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(formats, 0);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(name, "");
}

TEST(LiveSourceLists, NodesThatAreNotCaptureDevicesAreLeftOut) {
  test::TempDir dir;
  std::ofstream(dir / "video0") << "not a device";
  std::ofstream(dir / "videox") << "not a node name";
  const auto devices = ListVideoCaptureDevices(dir.path());
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].kind, eCaptureKind::TestSource);
  EXPECT_EQ(ListVideoCaptureDevices(dir / "missing").size(), 1u);
}

TEST(LiveSourceLists, FormatNamesAndPixelFormats) {
  M_VID_PROPS p;
  p.nWidth = 1920;
  p.nHeight = 1080;
  p.nRateNum = 60000;
  p.nRateDen = 1001;
  p.strPixelFormat = "mjpeg";
  EXPECT_EQ(VideoFormatName(p), "1920x1080 59.94 fps mjpeg");
  p.nRateNum = 30;
  p.nRateDen = 1;
  EXPECT_EQ(VideoFormatName(p), "1920x1080 30 fps mjpeg");
  EXPECT_EQ(V4l2PixelFormatName(0x56595559 /* YUYV */), "yuyv422");
  EXPECT_EQ(V4l2PixelFormatName(0x47504a4d /* MJPG */), "mjpeg");
  EXPECT_EQ(V4l2PixelFormatName(0x34325258 /* XR24, not mapped */), "XR24");
}

TEST(LiveSourcePull, TestBarsMoveBetweenPulls) {
  auto live = TestSourceLive(false);
  IMFFramePtr first = PullPicture(*live, 1280, 720);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Video()->format, AV_PIX_FMT_YUV420P);
  const AVFramePtr kept = MakeAVFrame();
  kept->format = AV_PIX_FMT_YUV420P;
  kept->width = 1280;
  kept->height = 720;
  ASSERT_GE(av_frame_get_buffer(kept.get(), 0), 0);
  av_frame_copy(kept.get(), first->Video());
  std::this_thread::sleep_for(100ms);
  // A later pull shows the box elsewhere (polled: a loaded machine may delay the capture).
  IMFFramePtr second;
  for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(10ms)) {
    second = Pull(*live);
    ASSERT_TRUE(second && second->Video());
    if (!SamePicture(first->Video(), second->Video())) break;
  }
  EXPECT_FALSE(SamePicture(first->Video(), second->Video()));
  // A picture handed out is never written again.
  EXPECT_TRUE(SamePicture(first->Video(), kept.get()));
}

TEST(LiveSourcePull, EveryPullCarriesItsShareOfTheTone) {
  auto live = TestSourceLive(true);
  ASSERT_TRUE(PullPicture(*live, 1280, 720));
  live->ChooseCaptureDevice(kCaptureAudio, LastIndex(*live, kCaptureAudio), 0);  // restart count
  std::vector<int16_t> left;
  constexpr int kFrames = 60;
  for (int n = 0; n < kFrames; ++n) {
    M_AV_PROPS props;
    IMFFramePtr f;
    live->PullFrame(props, -1.0, -1, -1, f, "");
    ASSERT_TRUE(f);
    EXPECT_EQ(props.nSampleRate, 48000);
    EXPECT_EQ(props.nChannels, 2);
    EXPECT_EQ(f->AudioSamples(), SamplesBefore(n + 1) - SamplesBefore(n)) << n;
    EXPECT_EQ(f->Time().rtStartTime, std::llround(n * kFrameDuration100ns));
    EXPECT_EQ(f->Time().eFFlags, 0u);
    const auto& a = f->Audio();
    for (size_t i = 0; i + 1 < a.size(); i += 2) {
      EXPECT_EQ(a[i], a[i + 1]);
      left.push_back(a[i]);
    }
  }
  ASSERT_EQ(static_cast<int64_t>(left.size()), SamplesBefore(kFrames));
  // 1 kHz: two sign changes per millisecond, and a steady -12 dBFS level.
  int crossings = 0;
  double energy = 0;
  for (size_t i = 1; i < left.size(); ++i) {
    if ((left[i - 1] < 0) != (left[i] < 0)) ++crossings;
    energy += static_cast<double>(left[i]) * left[i];
  }
  const double seconds = static_cast<double>(left.size()) / 48000.0;
  EXPECT_NEAR(crossings / seconds, 2000.0, 5.0);
  const double rms = std::sqrt(energy / static_cast<double>(left.size()));
  EXPECT_NEAR(rms, kTestTonePeak / std::sqrt(2.0), 50.0);
}

TEST(LiveSourcePull, NothingChosen) {
  struct Case {
    bool video;
    bool audio;
    bool frame;    // a frame comes at all
    bool picture;  // it has a picture
    bool sound;    // its audio is not silent
  };
  for (const Case& c :
       {Case{false, false, false, false, false}, Case{false, true, true, false, true},
        Case{true, false, true, true, false}}) {
    auto live = NewLive();
    live->ChooseCaptureDevice(kCaptureVideo, c.video ? LastIndex(*live, kCaptureVideo) : -1, 0);
    live->ChooseCaptureDevice(kCaptureAudio, c.audio ? LastIndex(*live, kCaptureAudio) : -1, 0);
    if (c.video) {
      ASSERT_TRUE(PullPicture(*live, 1280, 720));
    }
    IMFFramePtr f = Pull(*live);
    ASSERT_EQ(f != nullptr, c.frame) << c.video << c.audio;
    if (!f) continue;
    EXPECT_EQ(f->Video() != nullptr, c.picture);
    EXPECT_EQ(f->AudioSamples() > 0, true);
    const bool sound =
        std::any_of(f->Audio().begin(), f->Audio().end(), [](int16_t s) { return s != 0; });
    EXPECT_EQ(sound, c.sound);
  }
}

TEST(LiveSourcePull, FormatAndLineChoices) {
  auto live = TestSourceLive(false);
  ASSERT_TRUE(PullPicture(*live, 1280, 720));
  M_VID_PROPS small;
  std::string name;
  live->GetVideoFormat(0, 2, small, name);
  live->ApplyVideoFormat(0, small);
  EXPECT_TRUE(PullPicture(*live, 640, 360));
  M_VID_PROPS current;
  int index = -1;
  live->GetCurrentVideoFormat(0, current, index, name);
  EXPECT_EQ(index, 2);

  // Records that are not in the list, and line -1, keep what there is.
  live->ApplyVideoFormat(0, M_VID_PROPS{});
  M_VID_PROPS odd = small;
  odd.nWidth = 641;
  live->ApplyVideoFormat(0, odd);
  live->ChoosePropertyChoice("line-in", -1);
  live->ChoosePropertyChoice("line-in", 5);
  live->GetCurrentVideoFormat(0, current, index, name);
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(PullPicture(*live, 640, 360));

  // Choosing the device again starts from its first format.
  live->ChooseCaptureDevice(kCaptureVideo, LastIndex(*live, kCaptureVideo), 0);
  EXPECT_TRUE(PullPicture(*live, 1280, 720));
}

TEST(LiveSourceThreads, ChoicesWhileAnotherThreadPulls) {
  auto live = TestSourceLive(true);
  std::atomic<bool> run{true};
  std::atomic<int64_t> pulled{0};
  std::thread pump([&] {
    while (run) {
      IMFFramePtr f = Pull(*live);
      if (f && f->Video()) ++pulled;
      std::this_thread::sleep_for(2ms);
    }
  });
  const int video = LastIndex(*live, kCaptureVideo);
  const int audio = LastIndex(*live, kCaptureAudio);
  for (int round = 0; round < 40; ++round) {
    int formats = 0;
    live->ChooseCaptureDevice(kCaptureVideo, round % 5 == 0 ? -1 : video, 0);
    live->CountVideoFormats(0, formats);
    if (formats > 0) {
      M_VID_PROPS p;
      std::string name;
      live->GetVideoFormat(0, round % formats, p, name);
      live->ApplyVideoFormat(0, p);
    }
    live->ChoosePropertyChoice("line-in", 0);
    live->ChooseCaptureDevice(kCaptureAudio, round % 3 == 0 ? -1 : audio, 0);
    std::this_thread::sleep_for(10ms);
  }
  live->ChooseCaptureDevice(kCaptureVideo, video, 0);
  EXPECT_TRUE(PullPicture(*live, 1280, 720));
  // The pump gets pictures again once the choices stop.
  for (int i = 0; i < 500 && pulled.load() == 0; ++i) std::this_thread::sleep_for(10ms);
  const int64_t before = pulled.load();
  for (int i = 0; i < 500 && pulled.load() == before; ++i) std::this_thread::sleep_for(10ms);
  run = false;
  pump.join();
  EXPECT_GT(pulled.load(), before);
}

TEST(LiveSourceThreads, ReplacedWhilePulledAndDestroyedElsewhere) {
  std::shared_ptr<IMFLive> installed = TestSourceLive(true);
  std::atomic<bool> run{true};
  std::atomic<int64_t> pictures{0};
  std::thread pump([&] {
    while (run) {
      // The pump fetches the current object afresh on every pass and holds it for one pass.
      std::shared_ptr<IMFLive> source = std::atomic_load(&installed);
      IMFFramePtr f = Pull(*source);
      if (f && f->Video()) ++pictures;
      std::this_thread::sleep_for(3ms);
    }
  });
  for (int i = 0; i < 6; ++i) {
    std::this_thread::sleep_for(50ms);
    std::shared_ptr<IMFLive> old = std::atomic_exchange(&installed, TestSourceLive(i % 2 == 0));
    // Whoever drops the last reference joins its threads; that must not hang (the time it
    // takes is measured by bench_live_source; this only guards against waiting on a device).
    const auto start = std::chrono::steady_clock::now();
    old.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  }
  run = false;
  pump.join();
  EXPECT_GT(pictures.load(), 0);
}

TEST(LiveSourceAudio, CapturesAPulseAudioSource) {
  test::PulseServer pulse;
  if (!pulse.Ready()) GTEST_SKIP() << "PulseAudio is not available";
  // A tone played into the null sink, recorded from its monitor source.
  test::ChildProcess player({"ffmpeg", "-hide_banner", "-loglevel", "error", "-re", "-f", "lavfi",
                             "-i", "sine=f=1000:r=48000:d=30", "-f", "pulse", "-device",
                             "vexto_null", "vexto test tone"});
  ASSERT_TRUE(player.Started());

  const auto devices = ListAudioCaptureDevices();
  int index = -1;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (devices[i].url == "vexto_null.monitor") index = static_cast<int>(i);
  }
  ASSERT_GE(index, 0) << "the null sink's monitor is not listed";
  EXPECT_EQ(devices[index].kind, eCaptureKind::Pulse);
  EXPECT_EQ(devices.back().name, kTestAudioName);

  auto live = NewLive();
  int count = 0;
  live->CountCaptureDevices(kCaptureAudio, count);
  ASSERT_EQ(count, static_cast<int>(devices.size()));
  live->ChooseCaptureDevice(kCaptureVideo, -1, 0);
  live->ChooseCaptureDevice(kCaptureAudio, index, 0);
  bool heard = false;
  for (int n = 0; n < 300 && !heard; ++n) {
    IMFFramePtr f = Pull(*live);
    ASSERT_TRUE(f);  // an audio device is chosen: frames without a picture
    EXPECT_EQ(f->Video(), nullptr);
    EXPECT_EQ(f->AudioSamples(), SamplesBefore(n + 1) - SamplesBefore(n));
    heard = std::any_of(f->Audio().begin(), f->Audio().end(),
                        [](int16_t s) { return std::abs(s) > 1000; });
    std::this_thread::sleep_for(33ms);
  }
  EXPECT_TRUE(heard);
}

}  // namespace
}  // namespace vexto::media
