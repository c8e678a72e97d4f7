// Every listed output and codec writes something ffprobe reads back; the pipeline's timing,
// picture fitting, nil frames, drops and plainly said failures, on real files and loopback
// receivers.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <sstream>
#include <thread>

#include "engine/media/core/engine_error.h"
#include "engine/media/core/interfaces.h"
#include "engine/media/writer/stream_writer.h"
#include "tests/support/child_process.h"
#include "tests/support/test_support.h"
#include "tests/writer/program_frames.h"
#include "tests/writer/writer_test_helpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace vexto::media {
namespace {

using namespace std::chrono_literals;
using test::LogLines;
using test::Rgb;
using test::WaitFor;

// The encoders' own reports would bury the test output.
const int kQuietLibraries = (av_log_set_level(AV_LOG_ERROR), 0);

std::shared_ptr<IMFWriter> NewWriter() {
  return std::dynamic_pointer_cast<IMFWriter>(MakeStreamWriter());
}

int FindOutput(IMFWriter& w, const std::string& wanted) {
  int count = 0;
  w.CountOutputChoices(kChoiceFormat, count);
  for (int i = 0; i < count; ++i) {
    std::string text, name;
    w.GetOutputChoice(kChoiceFormat, i, text, name);
    if (name == wanted) return i;
  }
  return -1;
}

// Chooses output `name` at `size` and returns the configuration text.
std::string Choose(IMFWriter& w, const std::string& name, const std::string& size, int video = 0,
                   int audio = 0) {
  IMFPropertySetPtr props;
  w.ChooseOutputChoice(kChoiceFormat, FindOutput(w, name), props);
  props->SetPropertyValue("size", size);
  w.ChooseOutputChoice(kChoiceVideoCodec, video, props);
  w.ChooseOutputChoice(kChoiceAudioCodec, audio, props);
  std::string text, config;
  w.ReadStreamConfig(text, config);
  return config;
}

struct PushTimes {
  std::chrono::nanoseconds longest{0};
  std::chrono::nanoseconds median{0};
};

// Frames the writer has not sent or dropped yet (queued, or held inside the encoder).
int64_t InFlight(IMFWriter& w, int64_t pushed) {
  const WriterStatus s = w.GetStatus();
  return pushed - s.frames_sent - s.frames_dropped;
}

// Pushes frames first..first+count-1 and times the PushFrame calls. period > 0: one frame per
// period, and no more than 20 in flight while the writer is still sending (a slow machine or a
// sanitizer slows the pushes instead of dropping frames). An encoder with a look-ahead (VP9,
// x265) holds frames until more arrive, so a sent count that stands still for 300 ms ends the
// wait. period 0: one burst of the same frame, as fast as possible.
PushTimes PushFrames(IMFWriter& w, int64_t first, int64_t count, Rgb color,
                     std::chrono::milliseconds period, int width = 320, int height = 180) {
  std::vector<std::chrono::nanoseconds> times;
  const IMFFramePtr burst_frame = test::MakeProgramFrame(first, color, width, height);
  const int64_t pushed_before = w.GetStatus().frames_sent + w.GetStatus().frames_dropped;
  for (int64_t i = first; i < first + count; ++i) {
    const IMFFramePtr frame =
        period.count() == 0 ? burst_frame : test::MakeProgramFrame(i, color, width, height);
    if (period.count() > 0) {
      std::this_thread::sleep_for(period);
      int64_t sent = w.GetStatus().frames_sent;
      auto moved = std::chrono::steady_clock::now();
      while (InFlight(w, pushed_before + (i - first)) > 20 &&
             std::chrono::steady_clock::now() - moved < 300ms) {
        std::this_thread::sleep_for(2ms);
        if (w.GetStatus().frames_sent != sent) {
          sent = w.GetStatus().frames_sent;
          moved = std::chrono::steady_clock::now();
        }
      }
    }
    const auto t0 = std::chrono::steady_clock::now();
    w.PushFrame(frame, 0, 0, 0);
    times.push_back(std::chrono::steady_clock::now() - t0);
  }
  std::sort(times.begin(), times.end());
  return {times.back(), times[times.size() / 2]};
}

// Waits until the writer has sent all it can before the end (the sent count stays put).
void Settle(IMFWriter& w) {
  int64_t last = -1;
  auto still_since = std::chrono::steady_clock::now();
  const auto limit = still_since + 20s;
  while (std::chrono::steady_clock::now() < limit) {
    const int64_t sent = w.GetStatus().frames_sent;
    if (sent != last) {
      last = sent;
      still_since = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - still_since > 1s) {
      return;
    }
    std::this_thread::sleep_for(20ms);
  }
}

std::string CodecNameOf(const std::string& encoder) {
  const AVCodec* c = avcodec_find_encoder_by_name(encoder.c_str());
  return c != nullptr ? avcodec_get_name(c->id) : "?";
}

int PacketCount(const std::filesystem::path& file, const std::string& stream) {
  const test::CommandResult r = test::RunCommand(
      {"ffprobe", "-v", "error", "-select_streams", stream, "-count_packets", "-show_entries",
       "stream=nb_read_packets", "-of", "csv=p=0", file.string()});
  return std::atoi(r.output.c_str());
}

// First value ffprobe gives for the entries of the stream (an MPEG-TS also lists its streams
// under its program), fields joined by ",".
std::string Probe(const std::filesystem::path& file, const std::string& stream,
                  const std::string& entries) {
  const test::CommandResult r =
      test::RunCommand({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                        entries, "-of", "csv=p=0", file.string()});
  std::string first = r.output.substr(0, r.output.find('\n'));
  while (!first.empty() && first.back() == ',') first.pop_back();
  return first;
}

double StreamDuration(const std::filesystem::path& file, const std::string& stream) {
  return std::atof(Probe(file, stream, "stream=duration").c_str());
}

// Which receiver a network output needs on loopback; empty for file outputs.
struct Receiver {
  std::string url;                // where the writer sends
  std::vector<std::string> argv;  // the ffmpeg tool receiving into the file
};

Receiver ReceiverFor(const std::string& output, const std::filesystem::path& file) {
  const std::string port = std::to_string(test::FreeLoopbackPort());
  if (output == "UDP MPEG-TS") {
    return {"udp://127.0.0.1:" + port + "?pkt_size=1316",
            {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i",
             "udp://127.0.0.1:" + port + "?timeout=1500000&buffer_size=4194304&fifo_size=200000",
             "-analyzeduration", "300000", "-c", "copy", "-f", "mpegts", file.string()}};
  }
  if (output == "SRT Streaming (MPEG-TS)") {
    return {"srt://127.0.0.1:" + port,
            {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i",
             "srt://127.0.0.1:" + port + "?mode=listener", "-c", "copy", "-f", "mpegts",
             file.string()}};
  }
  return {file.string(), {}};
}

// The outputs written here; RTMP needs nginx (writer_rtmp_test).
const char* const kCoveredOutputs[] = {"SRT Streaming (MPEG-TS)", "UDP MPEG-TS", "Arquivo MP4",
                                       "Arquivo MKV", "Arquivo MPEG-TS"};

TEST(WriterOutputs, EveryListedOutputHasItsReadBackTest) {
  auto w = NewWriter();
  int outputs = 0;
  w->CountOutputChoices(kChoiceFormat, outputs);
  for (int o = 0; o < outputs; ++o) {
    std::string format, output;
    w->GetOutputChoice(kChoiceFormat, o, format, output);
    EXPECT_TRUE(output == "RTMP Streaming" ||
                std::find(std::begin(kCoveredOutputs), std::end(kCoveredOutputs), output) !=
                    std::end(kCoveredOutputs))
        << output;
  }
}

class EveryEntry : public testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(WriterOutputs, EveryEntry, testing::ValuesIn(kCoveredOutputs),
                         [](const testing::TestParamInfo<const char*>& param) {
                           std::string name;
                           for (const char* c = param.param; *c; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

// Each video codec (with the default sound) and each audio codec (with the default picture)
// of the output writes something ffprobe reads back as that codec.
TEST_P(EveryEntry, WritesWhatFfprobeReadsBack) {
  auto w = NewWriter();
  const int o = FindOutput(*w, GetParam());
  if (o < 0) GTEST_SKIP() << GetParam() << " is not offered by this FFmpeg build";
  {
    std::string format, output;
    w->GetOutputChoice(kChoiceFormat, o, format, output);
    IMFPropertySetPtr props;
    w->ChooseOutputChoice(kChoiceFormat, o, props);
    int videos = 0, audios = 0;
    w->CountOutputChoices(kChoiceVideoCodec, videos);
    w->CountOutputChoices(kChoiceAudioCodec, audios);
    std::vector<std::pair<int, int>> combos;
    for (int v = 0; v < videos; ++v) combos.emplace_back(v, 0);
    for (int a = 1; a < audios; ++a) combos.emplace_back(0, a);
    for (const auto& [v, a] : combos) {
      SCOPED_TRACE(output + " video " + std::to_string(v) + " audio " + std::to_string(a));
      test::TempDir dir;
      const auto file = dir / ("out." + (format == "matroska" ? std::string("mkv") : format));

      const std::string config = Choose(*w, output, "320x180", v, a);
      std::string video_encoder, audio_encoder, name;
      w->GetOutputChoice(kChoiceVideoCodec, v, video_encoder, name);
      w->GetOutputChoice(kChoiceAudioCodec, a, audio_encoder, name);
      const Receiver rx = ReceiverFor(output, file);
      std::unique_ptr<test::ChildProcess> receiver;
      if (!rx.argv.empty()) {
        receiver = std::make_unique<test::ChildProcess>(rx.argv, dir / "receiver.log");
        std::this_thread::sleep_for(500ms);
      }
      w->StartStreamOutput(rx.url, 1, config);
      ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 5s))
          << int(w->GetStatus().state) << " " << w->GetStatus().reason;
      // Network receivers get the program in real time, files as fast as they take it.
      // A receiver that joins after the first key frame waits for the next one (2 s later).
      PushFrames(*w, 0, receiver ? 90 : 45, {200, 40, 40}, receiver ? 33ms : 10ms);
      Settle(*w);
      w->StopStreamOutput(0);
      if (receiver && !receiver->Wait(8s)) receiver->Terminate(SIGINT);
      // One ffprobe run: "h264,video,320,180,45" and "aac,audio,70".
      const test::CommandResult probe =
          test::RunCommand({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                            "stream=codec_type,codec_name,width,height,nb_read_packets", "-of",
                            "csv=p=0", file.string()});
      std::string video_line, audio_line;
      std::istringstream lines(probe.output);
      for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == ',') line.pop_back();
        if (line.find(",video,") != std::string::npos && video_line.empty()) video_line = line;
        if (line.find(",audio,") != std::string::npos && audio_line.empty()) audio_line = line;
      }
      EXPECT_TRUE(video_line.starts_with(CodecNameOf(video_encoder) + ",video,320,180,"))
          << probe.output;
      EXPECT_TRUE(audio_line.starts_with(CodecNameOf(audio_encoder) + ",audio,")) << probe.output;
      const int video_packets = std::atoi(video_line.substr(video_line.rfind(',') + 1).c_str());
      EXPECT_GE(video_packets, receiver ? 25 : 45);
      if (HasFailure() && receiver) {
        std::printf("receiver: %s\n",
                    test::RunCommand({"cat", (dir / "receiver.log").string()}).output.c_str());
      }
    }
  }
}

TEST(WriterOutputs, OtherSizesAreScaledWithTheirAspectKeptAndLetterboxed) {
  test::TempDir dir;
  const auto file = dir / "fit.mkv";
  auto w = NewWriter();
  w->StartStreamOutput(file.string(), 1, Choose(*w, "Arquivo MKV", "640x360"));
  // 4:3 white pictures into 16:9: black bars left and right (pillarbox) ...
  PushFrames(*w, 0, 15, {255, 255, 255}, 5ms, 320, 240);
  // ... and 2.35:1 pictures: bars above and below.
  PushFrames(*w, 15, 15, {255, 255, 255}, 5ms, 470, 200);
  Settle(*w);
  w->StopStreamOutput(0);
  EXPECT_TRUE(test::Near(test::ColorAt(file.string(), 0.1), {255, 255, 255}));
  EXPECT_TRUE(test::Near(test::ColorAt(file.string(), 0.1, "crop=iw/16:ih/2:0:ih/4"), {0, 0, 0}));
  EXPECT_TRUE(
      test::Near(test::ColorAt(file.string(), 0.1, "crop=iw/8:ih/2:iw/2:ih/4"), {255, 255, 255}));
  EXPECT_TRUE(test::Near(test::ColorAt(file.string(), 0.8, "crop=iw/2:ih/16:iw/4:0"), {0, 0, 0}));
  EXPECT_TRUE(
      test::Near(test::ColorAt(file.string(), 0.8, "crop=iw/16:ih/2:0:ih/4"), {255, 255, 255}));
}

TEST(WriterOutputs, NilFramesBecomeBlackAndSilenceOfTheirShare) {
  test::TempDir dir;
  const auto file = dir / "nil.mp4";
  auto w = NewWriter();
  w->StartStreamOutput(file.string(), 1, Choose(*w, "Arquivo MP4", "320x180"));
  for (int i = 0; i < 60; ++i) {
    while (InFlight(*w, i) > 20) std::this_thread::sleep_for(2ms);
    w->PushFrame(nullptr, 0, 0, 0);
    std::this_thread::sleep_for(5ms);
  }
  Settle(*w);
  w->StopStreamOutput(0);
  EXPECT_EQ(PacketCount(file, "v:0"), 60);
  EXPECT_TRUE(test::Near(test::ColorAt(file.string(), 1.0), {0, 0, 0}, 8));
  EXPECT_NEAR(StreamDuration(file, "a:0"), 60 * 1001.0 / 30000, 0.03);
  const test::CommandResult r =
      test::RunCommand({"ffmpeg", "-nostdin", "-hide_banner", "-i", file.string(), "-af",
                        "volumedetect", "-f", "null", "-"});
  EXPECT_NE(r.output.find("max_volume: -91"), std::string::npos) << r.output;
}

TEST(WriterOutputs, SoundFollowsTheFrameCountWhateverTheFramesCarry) {
  // Frames carrying too few or too many samples are padded or cut to their share, so after
  // 5 s the sound ends exactly with the pictures.
  for (const int samples : {1601, 1000, 2400}) {
    SCOPED_TRACE(samples);
    test::TempDir dir;
    const auto file = dir / "sync.mp4";
    auto w = NewWriter();
    w->StartStreamOutput(file.string(), 1, Choose(*w, "Arquivo MP4", "320x180"));
    for (int64_t i = 0; i < 150; ++i) {
      const IMFFramePtr tone = test::MakeProgramFrame(i, {40, 40, 200});
      AVFramePtr picture = RefAVFrame(tone->Video());
      std::vector<int16_t> audio(static_cast<size_t>(samples * kAudioChannels), 1000);
      while (InFlight(*w, i) > 20) std::this_thread::sleep_for(2ms);
      w->PushFrame(IMFFrame::Make(std::move(picture), std::move(audio), tone->Time()), 0, 0, 0);
      std::this_thread::sleep_for(3ms);
    }
    Settle(*w);
    w->StopStreamOutput(0);
    const double pushed = 150 * 1001.0 / 30000;
    EXPECT_EQ(w->GetStatus().frames_dropped, 0);
    EXPECT_NEAR(StreamDuration(file, "v:0"), pushed, 0.001);
    EXPECT_NEAR(StreamDuration(file, "a:0"), pushed, 0.025);  // one AAC block
    EXPECT_NEAR(std::atof(Probe(file, "v:0", "stream=start_time").c_str()),
                std::atof(Probe(file, "a:0", "stream=start_time").c_str()), 0.001);
  }
}

TEST(WriterOutputs, PushNeverWaitsAndEveryFrameIsSentOrCountedAsDropped) {
  test::TempDir dir;
  const auto file = dir / "burst.mp4";
  auto w = NewWriter();
  w->StartStreamOutput(file.string(), 1, Choose(*w, "Arquivo MP4", "640x360"));
  const PushTimes times = PushFrames(*w, 0, 300, {0, 200, 0}, 0ms, 640, 360);
  std::printf("PushFrame during a burst of 300: median %.3f ms, longest %.3f ms\n",
              times.median.count() / 1e6, times.longest.count() / 1e6);
  EXPECT_LT(times.median, 1ms);
  // Only catches a push that waited on the encoder's whole backlog; a busy 2-core machine or a
  // sanitizer may preempt the caller for a long moment at any point.
  EXPECT_LT(times.longest, 1s);
  Settle(*w);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Live);
  w->StopStreamOutput(0);
  // The stopped writer keeps the run's counts: every frame was sent or counted as dropped.
  const WriterStatus s = w->GetStatus();
  EXPECT_EQ(s.state, eWriterState::Stopped);
  EXPECT_GT(s.frames_dropped, 0);
  EXPECT_EQ(s.frames_sent + s.frames_dropped, 300);
  const int written = PacketCount(file, "v:0");
  EXPECT_EQ(written, s.frames_sent);
  EXPECT_LT(written, 300);
  // The sound still spans all 300 frames (silence where frames were dropped).
  EXPECT_NEAR(StreamDuration(file, "a:0"), 300 * 1001.0 / 30000, 0.05);
}

TEST(WriterOutputs, FramesPushedAroundStartAndStopAreTolerated) {
  test::TempDir dir;
  auto w = NewWriter();
  w->PushFrame(test::MakeProgramFrame(0, {1, 2, 3}), 0, 0, 0);  // nothing running: ignored
  std::atomic<bool> pumping{true};
  std::thread pump([&] {
    int64_t i = 0;
    while (pumping.load()) {
      w->PushFrame(i % 3 ? test::MakeProgramFrame(i, {9, 9, 9}) : nullptr, 0, 0, 0);
      (void)w->GetStatus();
      ++i;
      std::this_thread::sleep_for(2ms);
    }
  });
  const std::string config = Choose(*w, "Arquivo MPEG-TS", "320x180");
  for (int round = 0; round < 4; ++round) {
    w->StartStreamOutput((dir / ("r" + std::to_string(round) + ".ts")).string(), 1, config);
    std::this_thread::sleep_for(150ms);
    w->StopStreamOutput(0);
  }
  pumping.store(false);
  pump.join();
  EXPECT_EQ(w->GetStatus().state, eWriterState::Stopped);
  EXPECT_GT(PacketCount(dir / "r3.ts", "v:0"), 0);
}

TEST(WriterOutputs, EncoderRefusingTheBitrateIsSaidPlainlyOnce) {
  test::TempDir dir;
  auto w = NewWriter();
  LogLines log;
  w->SetWriterLogger(log.Hook());
  IMFPropertySetPtr props;
  Choose(*w, "Arquivo MKV", "320x180");
  std::string name;
  w->GetChosenOutputChoice(kChoiceVideoCodec, name, props);
  props->SetPropertyValue("b", "quatro");
  std::string text, config;
  w->ReadStreamConfig(text, config);
  w->StartStreamOutput((dir / "x.mkv").string(), 1, config);
  PushFrames(*w, 0, 10, {0, 0, 0}, 5ms);
  const WriterStatus s = w->GetStatus();
  EXPECT_EQ(s.state, eWriterState::Failed);
  EXPECT_EQ(s.reason, "o codificador de vídeo recusou o bitrate 'quatro'");
  ASSERT_EQ(log.Get().size(), 1u);
  EXPECT_NE(log.Get()[0].find("recusou o bitrate 'quatro'"), std::string::npos);
  w->StopStreamOutput(0);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Stopped);
}

TEST(WriterOutputs, FileThatCannotBeCreatedFailsWithoutRetrying) {
  auto w = NewWriter();
  LogLines log;
  w->SetWriterLogger(log.Hook());
  w->StartStreamOutput("/nonexistent-folder/out.mkv", 1, Choose(*w, "Arquivo MKV", "320x180"));
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Failed; }, 3s));
  EXPECT_NE(w->GetStatus().reason.find("não foi possível criar o arquivo"), std::string::npos)
      << w->GetStatus().reason;
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Failed);
  EXPECT_EQ(log.Get().size(), 1u);
  w->StopStreamOutput(0);
}

TEST(WriterOutputs, AnUnparsableRestartLeavesTheRunningOutputAlone) {
  test::TempDir dir;
  auto w = NewWriter();
  w->StartStreamOutput((dir / "keep.ts").string(), 1, Choose(*w, "Arquivo MPEG-TS", "320x180"));
  ASSERT_TRUE(WaitFor([&] { return w->GetStatus().state == eWriterState::Live; }, 3s));
  EXPECT_THROW(w->StartStreamOutput((dir / "other.ts").string(), 1, "format=mpegts size=1x1"),
               EngineError);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Live);
  PushFrames(*w, 0, 10, {0, 0, 0}, 5ms);
  Settle(*w);
  w->StopStreamOutput(0);
  EXPECT_FALSE(std::filesystem::exists(dir / "other.ts"));
  EXPECT_GE(PacketCount(dir / "keep.ts", "v:0"), 10);
}

}  // namespace
}  // namespace vexto::media
