// Several destinations from one encode and the safety recording, against real peers on
// loopback: two nginx servers (one killed mid-stream), an SRT listener (the ffmpeg tool), a
// destination that accepts and never reads, a full disk (/dev/full), and a recording killed with
// SIGKILL and read back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "engine/media/core/interfaces.h"
#include "engine/media/writer/stream_writer.h"
#include "tests/support/child_process.h"
#include "tests/support/nginx_rtmp.h"
#include "tests/support/test_support.h"
#include "tests/writer/program_pump.h"
#include "tests/writer/writer_test_helpers.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vexto::media {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::LogLines;
using test::Pump;
using test::WaitFor;

const int kQuietLibraries = (av_log_set_level(AV_LOG_FATAL), 0);

struct Writer {
  EngineObjectPtr object = MakeStreamWriter();
  std::shared_ptr<IMFWriter> w = std::dynamic_pointer_cast<IMFWriter>(object);
  std::shared_ptr<IMFStreamOutputs> out = std::dynamic_pointer_cast<IMFStreamOutputs>(object);

  std::string Config(const std::string& size = "640x360") {
    IMFPropertySetPtr props;
    w->ChooseOutputChoice(kChoiceFormat, 0, props);  // RTMP Streaming: H.264, AAC
    props->SetPropertyValue("size", size);
    std::string text, config;
    w->ReadStreamConfig(text, config);
    return config;
  }
  WriterStatus Of(size_t i) const {
    const auto all = out->GetDestinationStatus();
    return i < all.size() ? all[i].status : WriterStatus{};
  }
};

// The md5 of every video packet of a file, in order (the ffmpeg tool, no decoding).
std::vector<std::string> VideoPacketHashes(const std::filesystem::path& file) {
  const test::CommandResult r =
      test::RunCommand({"ffmpeg", "-nostdin", "-v", "error", "-i", file.string(), "-map", "0:v",
                        "-c", "copy", "-f", "framemd5", "-"});
  std::vector<std::string> out;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    out.push_back(line.substr(line.rfind(',') + 1));
  }
  return out;
}

// Video packet times of a file, in seconds.
std::vector<double> VideoTimes(const std::filesystem::path& file) {
  const test::CommandResult r =
      test::RunCommand({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "packet=pts_time", "-of", "csv=p=0", file.string()});
  std::vector<double> out;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) out.push_back(std::atof(line.c_str()));
  }
  return out;
}

double LargestStep(const std::vector<double>& t) {
  double largest = 0;
  for (size_t i = 1; i < t.size(); ++i) largest = std::max(largest, t[i] - t[i - 1]);
  return largest;
}

// True when `part` appears in `whole` as one unbroken run.
bool IsRunOf(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  if (part.empty()) return false;
  return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

int Count(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.find(text) != std::string::npos;
  }));
}

TEST(WriterDestinations, TwoServersGetTheSameFramesAndLosingOneLeavesTheOtherWhole) {
  test::NginxRtmp first;
  test::NginxRtmp second;
  ASSERT_TRUE(first.running() && second.running());
  Writer w;
  LogLines log;
  w.w->SetWriterLogger(log.Hook());
  w.out->StartStreamOutputs(
      {{"Principal", first.ServerUrl() + "/show"}, {"Backup", second.ServerUrl() + "/show"}}, 1,
      w.Config());
  ASSERT_TRUE(WaitFor([&] { return w.Of(0).state == eWriterState::Live; }, 5s));
  ASSERT_TRUE(WaitFor([&] { return w.Of(1).state == eWriterState::Live; }, 5s));
  Pump pump(*w.w);
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 150; }, 20s));
  second.Kill();
  ASSERT_TRUE(WaitFor([&] { return w.Of(1).state == eWriterState::Retrying; }, 8s));
  EXPECT_EQ(w.Of(0).state, eWriterState::Live);
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 300; }, 20s));
  ASSERT_TRUE(second.Restart());
  ASSERT_TRUE(WaitFor([&] { return w.Of(1).state == eWriterState::Live; }, 12s));
  const int64_t back_at = pump.pushed();
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= back_at + 150; }, 20s));
  pump.Stop();
  EXPECT_LT(pump.median(), 1ms);
  EXPECT_LT(pump.longest(), 1s);
  w.w->StopStreamOutput(0);
  std::this_thread::sleep_for(500ms);  // nginx closes the recordings when the publisher leaves
  const WriterStatus main_status = w.Of(0);  // the run's counts

  // The destination that stayed up holds every frame sent, with no gap.
  const std::vector<double> times = VideoTimes(first.Recording("show"));
  EXPECT_EQ(static_cast<int64_t>(times.size()), main_status.frames_sent);
  if (main_status.frames_dropped == 0) {
    EXPECT_LE(LargestStep(times), 0.034 + 1e-9);
  }
  // The one that came back holds the same frames, from one encode: its packets are an
  // unbroken run of the other's.
  const std::vector<std::string> whole = VideoPacketHashes(first.Recording("show"));
  const std::vector<std::string> resumed = VideoPacketHashes(second.Recording("show"));
  EXPECT_GE(resumed.size(), 120u);
  EXPECT_TRUE(IsRunOf(resumed, whole)) << resumed.size() << " of " << whole.size();

  const std::vector<std::string> lines = log.Get();
  for (const auto& l : lines) std::printf("log: %s\n", l.c_str());
  EXPECT_EQ(Count(lines, "Streaming (Backup): conexão perdida"), 1);
  EXPECT_EQ(Count(lines, "Streaming (Backup): conectado de novo"), 1);
  EXPECT_EQ(Count(lines, "fora do ar"), 1);
  EXPECT_EQ(Count(lines, "Principal"), 0);
}

// Accepts every connection and never reads from it: a server that hangs.
class HangingServer {
 public:
  HangingServer() {
    thread_ = std::thread([this] {
      while (running_.load()) {
        pollfd p{listener_.fd(), POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const int c = accept(listener_.fd(), nullptr, nullptr);
        if (c >= 0) accepted_.push_back(c);
      }
    });
  }
  ~HangingServer() {
    running_.store(false);
    thread_.join();
    for (const int c : accepted_) close(c);
  }
  int port() const { return listener_.port(); }

 private:
  test::LoopbackListener listener_;
  std::atomic<bool> running_{true};
  std::vector<int> accepted_;  // the thread's, read after the join
  std::thread thread_;
};

TEST(WriterDestinations, ADestinationThatHangsDelaysNeitherTheOtherNorThePumpNorStop) {
  test::NginxRtmp nginx;
  HangingServer hanging;
  const int refused_port = test::FreeLoopbackPort();
  Writer w;
  w.out->StartStreamOutputs(
      {{"Bom", nginx.ServerUrl() + "/good"},
       {"Parado", "rtmp://127.0.0.1:" + std::to_string(hanging.port()) + "/live/x"},
       {"Recusa", "rtmp://127.0.0.1:" + std::to_string(refused_port) + "/live/x"}},
      1, w.Config());
  Pump pump(*w.w);
  ASSERT_TRUE(WaitFor([&] { return w.Of(0).state == eWriterState::Live; }, 5s));
  // The refused one backs off 1, 2, 4, 8 s; "Reconectar agora" cuts the wait short.
  ASSERT_TRUE(WaitFor([&] { return w.Of(2).retry_delay_s == 4.0; }, 10s));
  w.out->ReconnectNow();
  ASSERT_TRUE(WaitFor([&] { return w.Of(2).retry_delay_s == 1.0; }, 2s)) << w.Of(2).retry_delay_s;
  EXPECT_EQ(w.Of(1).state, eWriterState::Connecting);  // its handshake is never answered
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 300; }, 20s));
  EXPECT_EQ(w.Of(0).state, eWriterState::Live);
  const auto t0 = Clock::now();
  w.w->StopStreamOutput(0);
  const auto took = Clock::now() - t0;
  std::printf("StopStreamOutput with a hanging destination: %.1f ms\n", took.count() / 1e6);
  EXPECT_LT(took, 1s);
  pump.Stop();
  EXPECT_LT(pump.median(), 1ms);
  EXPECT_LT(pump.longest(), 1s);
  std::this_thread::sleep_for(500ms);
  const WriterStatus good = w.Of(0);
  EXPECT_EQ(good.state, eWriterState::Stopped);
  const std::vector<double> times = VideoTimes(nginx.Recording("good"));
  EXPECT_GE(times.size(), 250u);
  EXPECT_LE(LargestStep(times), 0.034 + 1e-9);
}

TEST(WriterDestinations, ALoggerThatThrowsNeverEndsTheWritersThreads) {
  // The window's logger may fail (a full disk under the event log); the writer's threads lose
  // the line and go on: the send thread retries, the encode's failure is still shown.
  std::atomic<int> calls{0};
  const WriterLogger throwing = [&](const std::string&) {
    calls.fetch_add(1);
    throw std::runtime_error("log cheio");
  };
  Writer refused;
  refused.w->SetWriterLogger(throwing);
  refused.w->StartStreamOutput(
      "rtmp://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/live/x", 1,
      refused.Config("320x180"));
  ASSERT_TRUE(WaitFor([&] { return refused.w->GetStatus().retry_delay_s == 2.0; }, 6s));
  EXPECT_EQ(refused.w->GetStatus().state, eWriterState::Retrying);
  refused.w->StopStreamOutput(0);

  Writer bad_bitrate;
  bad_bitrate.w->SetWriterLogger(throwing);
  IMFPropertySetPtr props;
  std::string name, text, config;
  bad_bitrate.Config("320x180");
  bad_bitrate.w->GetChosenOutputChoice(kChoiceVideoCodec, name, props);
  props->SetPropertyValue("b", "quatro");
  bad_bitrate.w->ReadStreamConfig(text, config);
  bad_bitrate.w->StartStreamOutput("rtmp://127.0.0.1:1/live/x", 1, config);
  EXPECT_EQ(bad_bitrate.w->GetStatus().state, eWriterState::Failed);
  bad_bitrate.w->StopStreamOutput(0);
  EXPECT_GE(calls.load(), 2);
}

TEST(WriterDestinations, AnSrtDestinationCarriesMpegTsToAListener) {
  test::NginxRtmp nginx;
  test::TempDir dir;
  const int port = test::FreeLoopbackPort();
  test::ChildProcess listener({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i",
                               "srt://127.0.0.1:" + std::to_string(port) + "?mode=listener", "-c",
                               "copy", "-f", "mpegts", (dir / "srt.ts").string()},
                              dir / "listener.log");
  std::this_thread::sleep_for(500ms);
  Writer w;
  w.out->StartStreamOutputs(
      {{"RTMP", nginx.ServerUrl() + "/x"},
       {"SRT", "srt://127.0.0.1:" + std::to_string(port) + "?streamid=publish%2Fshow"}},
      1, w.Config("320x180"));
  Pump pump(*w.w);
  ASSERT_TRUE(WaitFor([&] { return w.Of(1).state == eWriterState::Live; }, 5s)) << w.Of(1).reason;
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 150; }, 20s));
  pump.Stop();
  w.w->StopStreamOutput(0);
  if (!listener.Wait(8s)) listener.Terminate(SIGINT);
  // (An MPEG-TS lists its streams under its program too.)
  EXPECT_TRUE(test::ProbeEntry(dir / "srt.ts", "v:0", "stream=codec_name").starts_with("h264"));
  EXPECT_TRUE(test::ProbeEntry(dir / "srt.ts", "a:0", "stream=codec_name").starts_with("aac"));
  EXPECT_GE(VideoTimes(dir / "srt.ts").size(), 100u);
}

TEST(WriterRecording, FromTheStreamsEncodeWhileStreamingAndOnItsOwnOtherwise) {
  test::NginxRtmp nginx;
  test::TempDir dir;
  Writer w;
  const std::string config = w.Config();
  // Alone: its own encode.
  w.out->StartRecording((dir / "alone.mkv").string(), config);
  {
    Pump pump(*w.w, 90);
    ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 90; }, 20s));
  }
  w.out->StopRecording();
  EXPECT_EQ(w.out->GetRecordingStatus().state, eWriterState::Stopped);
  EXPECT_EQ(test::ProbeEntry(dir / "alone.mkv", "v:0", "stream=codec_name"), "h264");
  EXPECT_GE(VideoTimes(dir / "alone.mkv").size(), 85u);

  // Beside a stream: the recording joins its encode, so both hold the very same packets; the
  // stream stopping leaves the recording going.
  w.w->StartStreamOutput(nginx.ServerUrl() + "/rec", 1, config);
  ASSERT_TRUE(WaitFor([&] { return w.w->GetStatus().state == eWriterState::Live; }, 5s));
  Pump pump(*w.w);
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 30; }, 20s));
  // Its own configuration is not used: the stream's encode is.
  w.out->StartRecording((dir / "shared.mkv").string(), w.Config("320x180"));
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 180; }, 20s));
  w.w->StopStreamOutput(0);
  ASSERT_TRUE(WaitFor([&] { return pump.pushed() >= 240; }, 20s));
  EXPECT_EQ(w.out->GetRecordingStatus().state, eWriterState::Live);
  pump.Stop();
  w.out->StopRecording();
  std::this_thread::sleep_for(500ms);
  const std::vector<std::string> streamed = VideoPacketHashes(nginx.Recording("rec"));
  const std::vector<std::string> recorded = VideoPacketHashes(dir / "shared.mkv");
  ASSERT_GE(recorded.size(), 180u);
  // The recording starts on a key frame asked for when it joined, at most a frame later.
  const std::vector<std::string> overlap(recorded.begin(), recorded.begin() + 120);
  EXPECT_TRUE(IsRunOf(overlap, streamed));
  const std::vector<double> times = VideoTimes(dir / "shared.mkv");
  EXPECT_LE(LargestStep(times), 0.034 + 1e-9);
  EXPECT_EQ(test::ProbeEntry(dir / "shared.mkv", "v:0", "stream=width,height"), "640\n360");
}

TEST(WriterRecording, AFullDiskEndsTheRecordingPlainlyWhileTheStreamGoesOn) {
  test::NginxRtmp nginx;
  Writer w;
  LogLines log;
  w.w->SetWriterLogger(log.Hook());
  const std::string config = w.Config();
  w.w->StartStreamOutput(nginx.ServerUrl() + "/on", 1, config);
  Pump pump(*w.w);
  ASSERT_TRUE(WaitFor([&] { return w.w->GetStatus().state == eWriterState::Live; }, 5s));
  w.out->StartRecording("/dev/full", config);
  ASSERT_TRUE(
      WaitFor([&] { return w.out->GetRecordingStatus().state == eWriterState::Failed; }, 10s));
  const RecordingStatus r = w.out->GetRecordingStatus();
  EXPECT_TRUE(r.reason.starts_with("disco cheio")) << r.reason;
  const int64_t sent = w.w->GetStatus().frames_sent;
  ASSERT_TRUE(WaitFor([&] { return w.w->GetStatus().frames_sent >= sent + 60; }, 10s));
  EXPECT_EQ(w.w->GetStatus().state, eWriterState::Live);
  w.out->StopRecording();
  EXPECT_EQ(w.out->GetRecordingStatus().reason, r.reason);  // kept for the status line
  w.w->StopStreamOutput(0);
  const std::vector<std::string> lines = log.Get();
  ASSERT_EQ(Count(lines, "Gravação: falha em /dev/full — disco cheio"), 1)
      << (lines.empty() ? "" : lines.front());
  EXPECT_EQ(Count(lines, "Streaming"), 0);
}

// The recording child (record_child) records the program in real time and says how many
// frames it has pushed; killed mid-show, its file still plays to within the last two seconds.
TEST(WriterRecording, AKilledConsoleLeavesAPlayableRecording) {
  test::TempDir dir;
  const auto file = dir / "show.mkv";
  const auto said = dir / "child.log";
  test::ChildProcess child({RECORD_CHILD, file.string()}, said);
  auto last_count = [&] {
    std::ifstream in(said);
    int64_t n = -1;
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("pushed ")) n = std::atoll(line.c_str() + 7);
    }
    return n;
  };
  ASSERT_TRUE(WaitFor([&] { return last_count() >= 240; }, 30s));
  kill(child.pid(), SIGKILL);
  ASSERT_TRUE(child.Wait(5s));
  const int64_t pushed = last_count();  // the kill came at most a few frames after this
  const std::vector<double> times = VideoTimes(file);
  ASSERT_FALSE(times.empty());
  const double recorded_to = times.back();
  const double pushed_to = pushed * 1001.0 / 30000;
  std::printf("killed after %lld frames (%.2f s): the file plays to %.2f s\n",
              static_cast<long long>(pushed), pushed_to, recorded_to);
  EXPECT_GE(recorded_to, pushed_to - 2.0);
  EXPECT_LE(LargestStep(times), 0.034 + 1e-9);
  // It decodes from start to end.
  const test::CommandResult decode = test::RunCommand(
      {"ffmpeg", "-nostdin", "-v", "error", "-i", file.string(), "-f", "null", "-"});
  EXPECT_EQ(decode.exit_code, 0) << decode.output;
}

}  // namespace
}  // namespace vexto::media
