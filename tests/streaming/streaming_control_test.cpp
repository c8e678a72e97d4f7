// The main window's streaming logic with a recording writer and view (no widgets).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/media/core/engine_error.h"
#include "streaming/streaming_control.h"

namespace vexto {
namespace {

using media::eWriterState;
using media::WriterStatus;

// Records the writer calls it gets, with the value of IsStreaming at each.
class RecordingWriter final : public media::IMFWriter {
 public:
  explicit RecordingWriter(const std::atomic<bool>& is_streaming) : is_streaming_(is_streaming) {}

  std::vector<std::string> calls;
  std::string config = "format=flv video.codec=libx264 audio.codec=aac";
  bool refuse_start = false;

  void CountOutputChoices(int, int& count) override { count = 0; }
  void GetOutputChoice(int, int, std::string&, std::string&) override {}
  void ChooseOutputChoice(int, int, media::IMFPropertySetPtr&) override {}
  void GetChosenOutputChoice(int, std::string&, media::IMFPropertySetPtr&) override {}
  void ReadStreamConfig(std::string& text, std::string& cfg) override {
    text = "description";
    cfg = config;
    calls.push_back("read");
  }
  void StartStreamOutput(const std::string& url, int flags, const std::string& cfg) override {
    calls.push_back("start " + url + " " + std::to_string(flags) + " [" + cfg +
                    "] streaming=" + (is_streaming_.load() ? "1" : "0"));
    if (refuse_start) throw media::EngineError("Configuração de streaming inválida: x");
  }
  void StopStreamOutput(int flags) override {
    calls.push_back("stop " + std::to_string(flags) +
                    " streaming=" + (is_streaming_.load() ? "1" : "0"));
  }
  void PushFrame(const media::IMFFramePtr&, int, int, int) override {}
  WriterStatus GetStatus() const override { return {}; }

 private:
  const std::atomic<bool>& is_streaming_;
};

class RecordingView final : public IStreamingView {
 public:
  std::string button = kCaptionHabilitar;
  std::string server = "server";
  std::vector<std::string> events;
  bool answer = false;

  void SetStreamingButtonCaption(const std::string& caption) override { button = caption; }
  void SetServerCaption(const std::string& caption) override { server = caption; }
  void ShowStreamingPage() override { events.push_back("show streaming page"); }
  void ShowStreamingPageModal() override { events.push_back("show streaming page modal"); }
  bool AskYesNo(const std::string& question) override {
    events.push_back("ask " + question);
    return answer;
  }
};

struct Fixture {
  std::atomic<bool> is_streaming{false};
  std::string url = "rtmp://127.0.0.1/live";
  std::string key = "K";
  std::shared_ptr<RecordingWriter> writer = std::make_shared<RecordingWriter>(is_streaming);
  RecordingView view;
  StreamingControl control{
      writer, is_streaming, view,
      StreamingTargetFields{[this] { return url; }, [this] { return key; }, {}, {}}};
};

TEST(StreamingTarget, UrlKeyAndTheSlashBetween) {
  struct Case {
    const char* server;
    const char* key;
    const char* target;
  };
  const Case cases[] = {
      {"rtmp://a.example/live2", "K", "rtmp://a.example/live2/K"},
      {"rtmp://a.example/live2/", "K", "rtmp://a.example/live2/K"},  // no double "/"
      {"rtmp://a.example/live2", "", "rtmp://a.example/live2/"},     // empty key
      {"rtmps://a.example:443/rtmp/", "", "rtmps://a.example:443/rtmp/"},
  };
  for (const Case& c : cases) EXPECT_EQ(StreamingTargetUrl(c.server, c.key), c.target);
}

TEST(StreamingControl, ClickStartsTheWriterThenSetsTheFlag) {
  Fixture f;
  f.control.bot_StreamingClick();
  EXPECT_TRUE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Desabilitar");
  EXPECT_EQ(f.view.server, "rtmp://127.0.0.1/live");
  const std::vector<std::string> expected = {
      "read", "stop 0 streaming=0",
      "start rtmp://127.0.0.1/live/K 1 [format=flv video.codec=libx264 audio.codec=aac] "
      "streaming=0"};
  EXPECT_EQ(f.writer->calls, expected);
  EXPECT_TRUE(f.view.events.empty());
}

TEST(StreamingControl, ClickWhileStreamingClearsTheFlagThenStopsWithoutAsking) {
  Fixture f;
  f.control.bot_StreamingClick();
  f.writer->calls.clear();
  f.control.bot_StreamingClick();
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Habilitar");
  EXPECT_EQ(f.writer->calls, std::vector<std::string>{"stop 0 streaming=0"});
  EXPECT_TRUE(f.view.events.empty());
}

TEST(StreamingControl, WithoutAServerUrlTheStreamingPageOpensInstead) {
  Fixture f;
  f.url.clear();
  f.control.bot_StreamingClick();
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Habilitar");
  EXPECT_EQ(f.view.server, "server");
  EXPECT_TRUE(f.writer->calls.empty());
  EXPECT_EQ(f.view.events, std::vector<std::string>{"show streaming page"});
}

TEST(StreamingControl, EmptyKeyTargetsTheServerWithATrailingSlash) {
  Fixture f;
  f.key.clear();
  f.url = "rtmp://127.0.0.1/live/";
  f.control.bot_StreamingClick();
  ASSERT_EQ(f.writer->calls.size(), 3u);
  EXPECT_TRUE(f.writer->calls[2].starts_with("start rtmp://127.0.0.1/live/ 1 ["));
}

TEST(StreamingControl, VerificarEncoderYesRestartsWithTheNewValues) {
  Fixture f;
  f.control.bot_StreamingClick();
  f.writer->calls.clear();
  f.url = "rtmp://127.0.0.1/other/";
  f.key = "NEW";
  f.writer->config = "format=flv size=640x360 video.codec=libx264 audio.codec=aac";
  f.view.answer = true;
  f.control.verificarEncoder();
  EXPECT_EQ(f.view.events, std::vector<std::string>{
                               "ask O Streaming RTMP está ativo, deseja aplicar as alteraçao ao "
                               "processo atual ?"});
  const std::vector<std::string> expected = {
      "stop 0 streaming=0", "read", "stop 0 streaming=0",
      "start rtmp://127.0.0.1/other/NEW 1 [format=flv size=640x360 video.codec=libx264 "
      "audio.codec=aac] streaming=0"};
  EXPECT_EQ(f.writer->calls, expected);
  EXPECT_TRUE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Desabilitar");
  EXPECT_EQ(f.view.server, "rtmp://127.0.0.1/other/");
}

TEST(StreamingControl, VerificarEncoderNoKeepsTheRunningStream) {
  Fixture f;
  f.control.bot_StreamingClick();
  f.writer->calls.clear();
  f.url = "rtmp://127.0.0.1/other";
  f.view.answer = false;
  f.control.verificarEncoder();
  EXPECT_EQ(f.view.events.size(), 1u);
  EXPECT_TRUE(f.writer->calls.empty());
  EXPECT_TRUE(f.is_streaming.load());
  EXPECT_EQ(f.view.server, "rtmp://127.0.0.1/live");
}

TEST(StreamingControl, VerificarEncoderAsksNothingWhenNotStreaming) {
  Fixture f;
  f.view.answer = true;
  f.control.verificarEncoder();
  EXPECT_TRUE(f.view.events.empty());
  EXPECT_TRUE(f.writer->calls.empty());
}

TEST(StreamingControl, VerificarEncoderYesWithTheUrlEmptiedStopsAndOpensThePage) {
  Fixture f;
  f.control.bot_StreamingClick();
  f.writer->calls.clear();
  f.url.clear();
  f.view.answer = true;
  f.control.verificarEncoder();
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Habilitar");
  EXPECT_EQ(f.writer->calls, std::vector<std::string>{"stop 0 streaming=0"});
  EXPECT_EQ(f.view.events.back(), "show streaming page");
}

TEST(StreamingControl, AConfigurationTheWriterRefusesLeavesStreamingOff) {
  Fixture f;
  f.writer->refuse_start = true;
  EXPECT_THROW(f.control.bot_StreamingClick(), media::EngineError);
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_EQ(f.view.button, "Habilitar");
}

TEST(StreamingControl, ConfigButtonOpensTheStreamingPageModally) {
  Fixture f;
  f.control.bot_ConfigClick();
  EXPECT_EQ(f.view.events, std::vector<std::string>{"show streaming page modal"});
  EXPECT_TRUE(f.writer->calls.empty());
}

TEST(StreamingStatus, TextForEachState) {
  struct Case {
    WriterStatus status;
    const char* text;
  };
  auto status = [](eWriterState s, const char* reason, double kbps, double retry) {
    WriterStatus w;
    w.state = s;
    w.reason = reason;
    w.bitrate_kbps = kbps;
    w.retry_delay_s = retry;
    return w;
  };
  const Case cases[] = {
      {status(eWriterState::Stopped, "", 0, 0), "Parado"},
      {status(eWriterState::Connecting, "", 0, 0), "Conectando…"},
      {status(eWriterState::Live, "", 4012, 0), "No ar — 4,0 Mb/s"},
      {status(eWriterState::Live, "", 850.4, 0), "No ar — 850 kb/s"},
      {status(eWriterState::Retrying, "conexão recusada pelo servidor", 0, 4),
       "Falha: conexão recusada pelo servidor — tentando de novo em 4 s"},
      {status(eWriterState::Failed, "o codificador de vídeo recusou o bitrate 'x'", 0, 0),
       "Falha: o codificador de vídeo recusou o bitrate 'x'"},
  };
  for (const Case& c : cases) EXPECT_EQ(StreamingStatusText(c.status), c.text);
}

}  // namespace
}  // namespace vexto
