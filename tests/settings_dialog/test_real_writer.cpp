// The streaming page on the real stream writer: its lists, Reset's positions, presets reaching
// the encoder, and the restart question while a stream runs to a local nginx.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/writer/stream_writer.h"
#include "streaming/page/streaming_page.h"
#include "streaming/streaming_control.h"
#include "tests/settings_dialog/dialog_fixture.h"
#include "tests/support/nginx_rtmp.h"
#include "tests/support/wait_for.h"

namespace vexto::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RealWriterTest : public DialogTest {
 protected:
  RealWriterTest() {
    writer_ = media::QueryEngineInterface<media::IMFWriter>(media::MakeStreamWriter(),
                                                            media::CLSID_MFWriter);
  }
  ~RealWriterTest() override { writer_->StopStreamOutput(0); }

  TStreamingPage& Page() { return *dialog_->disp_streaming; }
  int Count(int kind) {
    int n = 0;
    writer_->CountOutputChoices(kind, n);
    return n;
  }
  std::string ChosenBitrate() {
    std::string name;
    media::IMFPropertySetPtr props;
    writer_->GetChosenOutputChoice(media::kChoiceVideoCodec, name, props);
    return props ? props->GetPropertyValue("b") : std::string("<none>");
  }
};

TEST_F(RealWriterTest, FreshFileLoadsTheWritersListsAndItsStreamingDefaults) {
  MakeDialog();
  EXPECT_THAT(messages_.errors, IsEmpty());
  ASSERT_EQ(Page().CapturingOutBox->count(), Count(media::kChoiceFormat));
  for (int i = 0; i < Page().CapturingOutBox->count(); ++i) {
    std::string text, name;
    writer_->GetOutputChoice(media::kChoiceFormat, i, text, name);
    EXPECT_EQ(Page().CapturingOutBox->itemText(i).toStdString(), name);
  }
  EXPECT_EQ(Page().CapturingOutBox->currentText(), "RTMP Streaming");
  EXPECT_EQ(Page().CapturingVideoBox->count(), Count(media::kChoiceVideoCodec));
  EXPECT_EQ(Page().CapturingVideoBox->currentIndex(), 0);
  EXPECT_EQ(Page().CapturingAudioBox->currentIndex(), 0);
  EXPECT_EQ(ChosenBitrate(), "1M");
  std::string text, config;
  writer_->ReadStreamConfig(text, config);
  EXPECT_EQ(Page().ConfigurationBox->text().toStdString(), config);
  EXPECT_THAT(config, HasSubstr("video.b=1M"));
  EXPECT_EQ(Stored("rtmp", "formato"), std::to_string(Page().CapturingOutBox->currentIndex()));
}

TEST_F(RealWriterTest, ResetGivesAWorkingStreamingSetUp) {
  MakeDialog();
  Pick(Page().comboLiveType, 1);
  Page().Button3->click();
  const auto expected = [](int position, int count) { return position < count ? position : -1; };
  EXPECT_EQ(Page().CapturingOutBox->currentIndex(), expected(18, Count(media::kChoiceFormat)));
  EXPECT_EQ(Page().CapturingVideoBox->currentIndex(),
            expected(4, Page().CapturingVideoBox->count()));
  EXPECT_EQ(Page().CapturingAudioBox->currentIndex(),
            expected(2, Page().CapturingAudioBox->count()));
  EXPECT_EQ(ChosenBitrate(), "4M");
  // Whatever the positions denote, the writer's configuration starts a stream.
  EXPECT_THAT(Page().ConfigurationBox->text().toStdString(), HasSubstr("video.b=4M"));
  EXPECT_EQ(Page().ed_servidor->text(), "rtmp://a.rtmp.youtube.com/live2");
}

TEST_F(RealWriterTest, PresetBitrateReachesThePresetsVideoCodec) {
  // An output that carries more than one video encoder.
  int output = -1;
  for (int i = 0; i < Count(media::kChoiceFormat) && output < 0; ++i) {
    media::IMFPropertySetPtr props;
    writer_->ChooseOutputChoice(media::kChoiceFormat, i, props);
    if (Count(media::kChoiceVideoCodec) >= 2) output = i;
  }
  if (output < 0) GTEST_SKIP() << "no output with two video encoders in this FFmpeg build";
  WriteSettings("[rtmp]\ntipo_live=3\n[Outros]\nurl=rtmp://127.0.0.1/live\nsaida=" +
                std::to_string(output) + "\ncodec-video=1\nbitrate=2500k\n");
  MakeDialog();
  EXPECT_EQ(Page().CapturingVideoBox->currentIndex(), 1);
  std::string name;
  media::IMFPropertySetPtr props;
  writer_->GetChosenOutputChoice(media::kChoiceVideoCodec, name, props);
  EXPECT_EQ(name, Page().CapturingVideoBox->itemText(1).toStdString());
  EXPECT_EQ(ChosenBitrate(), "2500k");
  EXPECT_THAT(Page().ConfigurationBox->text().toStdString(), HasSubstr("video.b=2500k"));
}

// The main window's streaming control with its restart question, to see the page's changes
// reach a running stream.
class StreamingView : public IStreamingView {
 public:
  StreamingView(ScriptedMessages& messages, std::string& caption)
      : messages_(messages), caption_(caption) {}
  void SetStreamingButtonCaption(const std::string& caption) override { button = caption; }
  void SetServerCaption(const std::string& caption) override { caption_ = caption; }
  void ShowStreamingPage() override {}
  void ShowStreamingPageModal() override {}
  bool AskYesNo(const std::string& question) override { return messages_.AskYesNo(question); }

  std::string button = kCaptionHabilitar;

 private:
  ScriptedMessages& messages_;
  std::string& caption_;
};

TEST_F(RealWriterTest, ChangingTheKeyWhileStreamingAsksAndYesRestartsOnTheNewTarget) {
  NginxRtmp server;
  ASSERT_TRUE(server.running());
  std::atomic<bool> is_streaming{false};
  StreamingView view(messages_, server_caption_);
  StreamingControl control(writer_, is_streaming, view,
                           {[this] { return fields_.nm_url_servidor; },
                            [this] { return fields_.nm_chave_streaming; },
                            {},
                            {}});
  on_verify_ = [&] { control.verificarEncoder(); };
  WriteSettings("[rtmp]\nurl_servidor=" + server.ServerUrl() + "\nchave_streaming=k1\n");
  MakeDialog();
  dialog_->ShowStreamingNonModal();
  EXPECT_THAT(messages_.questions, IsEmpty());  // not streaming: nothing asked
  control.bot_StreamingClick();
  ASSERT_TRUE(is_streaming);
  ASSERT_TRUE(WaitFor([&] { return writer_->GetStatus().state == media::eWriterState::Live; }, 10s))
      << writer_->GetStatus().reason;

  messages_.answers = {false};
  Type(Page().ed_chave, "k");  // No: the running stream keeps its target
  ASSERT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(messages_.questions.back(), kApplyToRunningStreamQuestion);
  EXPECT_EQ(fields_.nm_chave_streaming, "k");
  EXPECT_TRUE(is_streaming);

  messages_.answers = {true};
  Type(Page().ed_chave, "k2");
  EXPECT_EQ(messages_.questions.size(), 2u);
  EXPECT_TRUE(is_streaming);
  EXPECT_EQ(view.button, kCaptionDesabilitar);
  ASSERT_TRUE(WaitFor([&] { return writer_->GetStatus().state == media::eWriterState::Live; }, 10s))
      << writer_->GetStatus().reason;
  for (int i = 0; i < 30; ++i) {
    writer_->PushFrame(nullptr, 0, 0, 0);
    std::this_thread::sleep_for(33ms);
  }
  control.bot_StreamingClick();
  EXPECT_FALSE(is_streaming);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(server.Recording("k2")); }, 10s));
  EXPECT_FALSE(std::filesystem::exists(server.Recording("k")));
  messages_.answers = {};
  dialog_->close();
  EXPECT_EQ(messages_.questions.size(), 3u);  // the close question; not streaming any more
}

}  // namespace
}  // namespace vexto::test
