// The further destinations, the recording and the status line of the streaming logic, with a
// writer that records the calls it gets and a real settings file.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "streaming/destinations.h"
#include "streaming/streaming_control.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"

namespace vexto {
namespace {

using media::eWriterState;
using media::WriterStatus;

class OutputsWriter final : public media::IMFWriter, public media::IMFStreamOutputs {
 public:
  explicit OutputsWriter(const std::atomic<bool>& is_streaming) : is_streaming_(is_streaming) {}

  std::vector<std::string> calls;
  std::vector<media::StreamDestination> destinations;
  std::vector<media::DestinationStatus> statuses;
  media::RecordingStatus recording;

  void CountOutputChoices(int, int& count) override { count = 0; }
  void GetOutputChoice(int, int, std::string&, std::string&) override {}
  void ChooseOutputChoice(int, int, media::IMFPropertySetPtr&) override {}
  void GetChosenOutputChoice(int, std::string&, media::IMFPropertySetPtr&) override {}
  void ReadStreamConfig(std::string& text, std::string& cfg) override {
    text = "description";
    cfg = "CONFIG";
  }
  void StartStreamOutput(const std::string& url, int, const std::string&) override {
    calls.push_back("start " + url + Flag());
  }
  void StopStreamOutput(int) override { calls.push_back("stop" + Flag()); }
  void PushFrame(const media::IMFFramePtr&, int, int, int) override {}
  WriterStatus GetStatus() const override {
    return statuses.empty() ? WriterStatus{} : statuses.front().status;
  }
  void StartStreamOutputs(const std::vector<media::StreamDestination>& d, int,
                          const std::string&) override {
    destinations = d;
    calls.push_back("start " + std::to_string(d.size()) + " destinations" + Flag());
  }
  std::vector<media::DestinationStatus> GetDestinationStatus() const override { return statuses; }
  void ReconnectNow() override { calls.push_back("reconnect"); }
  void StartRecording(const std::string& path, const std::string& cfg) override {
    recording.file = path;
    recording.state = eWriterState::Live;
    calls.push_back("record " + cfg + Flag());
  }
  void StopRecording() override {
    recording.state = eWriterState::Stopped;
    calls.push_back("stop recording" + Flag());
  }
  media::RecordingStatus GetRecordingStatus() const override { return recording; }

 private:
  std::string Flag() const { return is_streaming_.load() ? " streaming=1" : " streaming=0"; }
  const std::atomic<bool>& is_streaming_;
};

class View final : public IStreamingView {
 public:
  std::string status;
  bool failure = false;
  bool recording_checked = false;
  void SetStreamingButtonCaption(const std::string&) override {}
  void SetServerCaption(const std::string&) override {}
  void ShowStreamingPage() override {}
  void ShowStreamingPageModal() override {}
  bool AskYesNo(const std::string&) override { return false; }
  void SetStreamingStatus(const std::string& text, bool is_failure) override {
    status = text;
    failure = is_failure;
  }
  void SetRecordingChecked(bool checked) override { recording_checked = checked; }
};

WriterStatus Status(eWriterState state, const char* reason = "", double retry = 0) {
  WriterStatus s;
  s.state = state;
  s.reason = reason;
  s.retry_delay_s = retry;
  return s;
}

struct Fixture {
  test::TempDir dir;
  TIniFile ini{dir / "vexto.ini"};
  std::atomic<bool> is_streaming{false};
  std::shared_ptr<OutputsWriter> writer = std::make_shared<OutputsWriter>(is_streaming);
  View view;
  StreamingControl control{
      writer, is_streaming, view,
      StreamingTargetFields{[] { return std::string("rtmp://main/live2"); },
                            [] { return std::string("K"); }, [this] { return &ini; }, dir.path()}};
};

TEST(DestinationTarget, EachKindOfUrlAndWhatIsWrongWithIt) {
  struct Case {
    const char* url;
    const char* key;
    const char* target;   // empty when refused
    const char* problem;  // the start of the reason
  };
  const Case cases[] = {
      {"rtmp://a.example/live", "K", "rtmp://a.example/live/K", ""},
      {"rtmp://a.example/live/", "K", "rtmp://a.example/live/K", ""},
      {" rtmps://a.example:443/app ", "", "rtmps://a.example:443/app", ""},  // whole URL
      {"RTMP://a.example/x", "k", "RTMP://a.example/x/k", ""},
      {"srt://h.example:9000", "", "srt://h.example:9000", ""},
      {"srt://h.example:9000", "publish/show 1", "srt://h.example:9000?streamid=publish%2Fshow%201",
       ""},
      {"srt://h.example:9000?latency=200", "s", "srt://h.example:9000?latency=200&streamid=s", ""},
      {"srt://h.example:9000?streamid=x", "s", "", "a URL SRT já tem streamid"},
      {"srt://h.example", "s", "", "falta a porta"},
      {"", "K", "", "sem URL"},
      {"twitch.tv/app", "K", "", "a URL deve começar com"},
      {"http://a.example/live", "K", "", "a URL deve começar com"},
      {"rtmp:///live", "K", "", "falta o servidor"},
      {"rtmp://a.example/li ve", "K", "", "a URL tem espaços"},
      {"rtmp://a.example/live", "a b", "", "a chave tem espaços"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const DestinationTarget t = DestinationTargetOf({"n", c.url, c.key, true});
    EXPECT_EQ(t.url, c.target);
    EXPECT_TRUE(t.problem.starts_with(c.problem)) << t.problem;
    EXPECT_EQ(t.problem.empty(), std::string(c.problem).empty());
  }
}

TEST(DestinationSettingsFile, WrittenRowsReadBackAndMissingOnesReadEmpty) {
  test::TempDir dir;
  TIniFile ini(dir / "vexto.ini");
  const DestinationSettings backup{"Backup", "rtmp://b/live", "k=1;#x", true};
  WriteDestination(ini, 2, backup);
  const std::vector<DestinationSettings> read = ReadDestinations(ini);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[2], backup);
  EXPECT_EQ(read[0], DestinationSettings{});
  EXPECT_EQ(ini.ReadString("destino3", "ativo", ""), "1");
  EXPECT_EQ(DestinationName(read[0], 0), "Destino 1");
  EXPECT_EQ(DestinationName({" Bkp\n", "", "", false}, 1), "Bkp");
  EXPECT_EQ(RecordingFolder("", "/opt/vexto"), "/opt/vexto/Gravacoes");
  EXPECT_EQ(RecordingFolder("shows", "/opt/vexto"), "/opt/vexto/shows");
  EXPECT_EQ(RecordingFolder("/media/disco", "/opt/vexto"), "/media/disco");
}

TEST(StreamingDestinations, EnabledOnesStartBesideTheServerAndUnusableOnesShowWhy) {
  Fixture f;
  f.ini.WriteString("rtmp", "tipo_live", "1");
  WriteDestination(f.ini, 0, {"Backup", "rtmp://b/live", "K2", true});
  WriteDestination(f.ini, 1, {"", "rtmp://off/live", "x", false});
  WriteDestination(f.ini, 2, {"Twitch", "twitch.tv/app", "", true});
  WriteDestination(f.ini, 3, {"", "srt://s:9000", "a/b", true});
  f.control.bot_StreamingClick();
  ASSERT_EQ(f.writer->calls,
            (std::vector<std::string>{"stop streaming=0", "start 3 destinations streaming=0"}));
  ASSERT_EQ(f.writer->destinations.size(), 3u);
  EXPECT_EQ(f.writer->destinations[0].name, "Youtube");
  EXPECT_EQ(f.writer->destinations[0].url, "rtmp://main/live2/K");
  EXPECT_EQ(f.writer->destinations[1].name, "Backup");
  EXPECT_EQ(f.writer->destinations[1].url, "rtmp://b/live/K2");
  EXPECT_EQ(f.writer->destinations[2].name, "Destino 4");
  EXPECT_EQ(f.writer->destinations[2].url, "srt://s:9000?streamid=a%2Fb");
  EXPECT_TRUE(f.is_streaming.load());

  f.writer->statuses = {{"Youtube", Status(eWriterState::Live)},
                        {"Backup", Status(eWriterState::Retrying, "conexão recusada", 8)},
                        {"Destino 4", Status(eWriterState::Connecting)}};
  f.control.RefreshStatus();
  EXPECT_EQ(f.view.status,
            "Youtube: no ar · Backup: tentando de novo em 8 s · Destino 4: conectando · Twitch: "
            "falha: a URL deve começar com rtmp://, rtmps:// ou srt://");
  EXPECT_TRUE(f.view.failure);
  const StreamingSnapshot snap = f.control.Snapshot();
  ASSERT_EQ(snap.destinations.size(), 4u);
  const char* states[] = {"live", "retrying", "connecting", "failed"};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(snap.destinations[i].state, states[i]);
  EXPECT_EQ(snap.destinations[3].name, "Twitch");

  f.control.ReconnectNow();
  EXPECT_EQ(f.writer->calls.back(), "reconnect");
  f.control.bot_StreamingClick();
  EXPECT_EQ(f.writer->calls.back(), "stop streaming=0");
  EXPECT_TRUE(f.control.Snapshot().destinations.empty());
}

TEST(StreamingDestinations, WithNoneEnabledTheServerStartsAlone) {
  Fixture f;
  WriteDestination(f.ini, 0, {"Backup", "rtmp://b/live", "K2", false});
  f.control.bot_StreamingClick();
  EXPECT_EQ(f.writer->calls.back(), "start rtmp://main/live2/K streaming=0");
  f.writer->statuses = {{"", Status(eWriterState::Retrying, "conexão recusada pelo servidor", 4)}};
  f.control.RefreshStatus();
  EXPECT_EQ(f.view.status, "Falha: conexão recusada pelo servidor — tentando de novo em 4 s");
  EXPECT_EQ(f.control.Snapshot().destinations.at(0).name, "Principal");
}

TEST(StreamingRecording, GravarRecordsIntoADatedFileAndFeedsThePumpWhileItRuns) {
  Fixture f;
  f.control.ToggleRecording();
  // The writer records before the pump is told to feed it.
  EXPECT_EQ(f.writer->calls, std::vector<std::string>{"record CONFIG streaming=0"});
  EXPECT_TRUE(f.is_streaming.load());
  EXPECT_TRUE(f.view.recording_checked);
  const std::filesystem::path file = f.writer->recording.file;
  EXPECT_EQ(file.parent_path(), f.dir / "Gravacoes");
  EXPECT_TRUE(std::filesystem::is_directory(file.parent_path()));
  EXPECT_TRUE(std::regex_match(file.filename().string(),
                               std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.mkv)")))
      << file;
  f.control.RefreshStatus();
  EXPECT_EQ(f.view.status, "Gravando");
  EXPECT_FALSE(f.view.failure);
  EXPECT_EQ(f.control.Snapshot().recording.file, file.string());

  // A stream started and stopped meanwhile leaves the recording and the pump's flag alone.
  f.control.bot_StreamingClick();
  f.control.bot_StreamingClick();
  EXPECT_TRUE(f.is_streaming.load());
  f.control.ToggleRecording();
  // The pump stops feeding before the recording is finished.
  EXPECT_EQ(f.writer->calls.back(), "stop recording streaming=0");
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_FALSE(f.view.recording_checked);
}

TEST(StreamingRecording, ARecordingThatStopsOnItsOwnIsEndedAndItsReasonShown) {
  Fixture f;
  f.ini.WriteString(kRecordingSection, kRecordingFolderKey, (f.dir / "shows").string());
  f.control.bot_StreamingClick();
  f.control.StartRecording();
  EXPECT_EQ(std::filesystem::path(f.writer->recording.file).parent_path(), f.dir / "shows");
  f.writer->statuses = {{"", Status(eWriterState::Live)}};
  f.writer->recording.state = eWriterState::Failed;
  f.writer->recording.reason = "disco cheio (No space left on device)";
  f.control.RefreshStatus();
  EXPECT_FALSE(f.control.IsRecording());
  EXPECT_FALSE(f.view.recording_checked);
  EXPECT_EQ(f.writer->calls.back(), "stop recording streaming=1");  // the stream goes on
  EXPECT_EQ(f.view.status,
            "No ar — 0 kb/s · Gravação parada: disco cheio (No space left on device)");
  EXPECT_TRUE(f.view.failure);
  EXPECT_TRUE(f.is_streaming.load());
  const StreamingSnapshot snap = f.control.Snapshot();
  EXPECT_FALSE(snap.recording.on);
  EXPECT_EQ(snap.recording.text, "Gravação parada: disco cheio (No space left on device)");
}

TEST(StreamingRecording, AFolderThatCannotBeMadeIsSaidAndNothingStarts) {
  Fixture f;
  test::WriteFileBytes(f.dir / "plain-file", "x");
  f.ini.WriteString(kRecordingSection, kRecordingFolderKey, (f.dir / "plain-file/sub").string());
  EXPECT_THROW(f.control.StartRecording(), std::runtime_error);
  EXPECT_FALSE(f.control.IsRecording());
  EXPECT_FALSE(f.is_streaming.load());
  EXPECT_TRUE(f.writer->calls.empty());
}

}  // namespace
}  // namespace vexto
